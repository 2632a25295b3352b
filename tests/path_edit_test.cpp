// Path substitutions and deletions: stored bytes, refusals, limits, the
// "deditpath" text, and the tokenizer they are cut with.
#include "path_edit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cmd_codes.h"
#include "conf_rec.h"

namespace {

struct outcome {
  int rc;
  std::string out;
};

// Runs path_edit_add on a line as the configuration parser would: the line
// buffer, its copy for messages and its comment start are set up first.
class PathEdit : public testing::Test {
 protected:
  void SetUp() override {
    conf_load_defaults();
    conf_file_name = "t.cfg";
    conf_line_num = 0;
  }
  void TearDown() override { conf_comment = nullptr; }

  outcome add(int code, const std::string& args) {
    ++conf_line_num;
    const std::string line =
        std::string(code == KW_SUBSTITUTEPATH ? "substitutepath " : "deletepath ") + args;
    std::snprintf(line_, sizeof line_, "%s", line.c_str());
    std::snprintf(conf_line_copy, sizeof conf_line_copy, "%s", line.c_str());
    conf_comment = std::strpbrk(line_, "#/;");
    char* rest = line_ + (code == KW_SUBSTITUTEPATH ? 15 : 11);
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    const int rc =
        path_edit_add(code, code == KW_SUBSTITUTEPATH ? "substitutepath" : "deletepath", rest);
    std::fflush(stdout);
    return {rc, testing::internal::GetCapturedStdout()};
  }
  outcome sub(const std::string& args) { return add(KW_SUBSTITUTEPATH, args); }
  outcome del(const std::string& args) { return add(KW_DELETEPATH, args); }

  static std::string display() {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    path_edit_display();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }

 private:
  char line_[CONF_LINE_SIZE];
};

std::vector<std::uint8_t> bytes_of(const void* p, std::size_t n) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return {b, b + n};
}

TEST_F(PathEdit, SubstitutionBytes) {
  ASSERT_EQ(sub("* WIDE1-1 1 N0CALL*,WIDE1*").rc, 0);
  const path_edit& e = conf_rec.path_edits[0];
  EXPECT_EQ(bytes_of(&e, 12),
            (std::vector<std::uint8_t>{'W', 'I', 'D', 'E', '1', 0, 0, 2, 0, 1, 0, 0x41}));
  const subst_path& p = conf_rec.subst_paths[0];
  EXPECT_EQ(p.count, 2);
  EXPECT_EQ(bytes_of(&p.addr[0], 16),
            (std::vector<std::uint8_t>{'N', '0', 'C', 'A', 'L', 'L', 0, 0xE0,  //
                                       'W', 'I', 'D', 'E', '1', 0, 0, 0xE0}));
  EXPECT_EQ(conf_rec.subst_count, 1);

  // Octets of substitution digis: reserved bits 0x60, SSID in bits 1..4,
  // 0x80 for a repeated (starred) digi or a digi without SSID.
  struct {
    const char* digi;
    const char* call;
    std::uint8_t octet;
  } digis[] = {
      {"WIDE2-1", "WIDE2", 0x62},  {"N0CALL", "N0CALL", 0xE0},  {"n0call-0", "N0CALL", 0xE0},
      {"WIDE2-2*", "WIDE2", 0xE0}, {"wide2-2*", "WIDE2", 0xE0}, {"K1ABC-3*", "K1ABC", 0xE6},
      {"k1abc*", "K1ABC", 0xE0},   {"relay-15", "RELAY", 0x7E}, {"ab*-2", "AB", 0xE4},
  };
  int n = 1;
  for (const auto& d : digis) {
    SCOPED_TRACE(d.digi);
    ASSERT_EQ(sub("1 CALL" + std::to_string(n) + " 1 " + d.digi).rc, 0);
    const path_edit& pe = conf_rec.path_edits[n];
    const subst_path& sp = conf_rec.subst_paths[pe.subst_index];
    EXPECT_EQ(pe.subst_index, n);
    EXPECT_EQ(sp.count, 1);
    EXPECT_STREQ(sp.addr[0].call, d.call);
    EXPECT_EQ(sp.addr[0].ssid, d.octet);
    if (++n == 8) break;
  }
}

TEST_F(PathEdit, DigiMatchForms) {
  struct {
    const char* match;
    const char* call;
    std::uint8_t ssid_octet;
    std::uint8_t flags;  // with the delete kind 0x02
  } cases[] = {
      {"*", "", 0, 0x32},
      {"*junk-99", "", 0, 0x32},
      {"n0call*", "N0CALL", 0, 0x12},
      {"WIDE2-2", "WIDE2", 4, 0x42},
      {"relay", "RELAY", 0, 0x02},
      {"w-1*", "W-1", 0, 0x12},
      {"K1ABC-15", "K1ABC", 30, 0x42},
  };
  int index = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.match);
    ASSERT_EQ(del(std::string("1 ") + c.match + " " + std::to_string(index)).rc, 0);
    const path_edit& e = conf_rec.path_edits[index - 1];
    EXPECT_EQ(std::string(e.match.call, 7),
              std::string(c.call) + std::string(7 - std::strlen(c.call), '\0'));
    EXPECT_EQ(e.match.ssid, c.ssid_octet);
    EXPECT_EQ(e.flags, c.flags);
    EXPECT_EQ(e.match_index, 1);
    EXPECT_EQ(e.action_index, index);
    EXPECT_EQ(e.subst_index, 0);
    ++index;
  }
}

struct refused_case {
  int code;
  const char* args;
  int rc;
  const char* out;  // "%L" stands for the line copy
};

TEST_F(PathEdit, RefusesBadFields) {
  const refused_case cases[] = {
      {KW_SUBSTITUTEPATH, "", -6, "\a\aError: t.cfg[1]: argument(s) missing: Match Index\n%L\n"},
      {KW_SUBSTITUTEPATH, "x N0CALL 1 A", -7,
       "\a\aError: t.cfg[1]: Invalid Digi Match Index [0..8]: x\n%L\n"},
      {KW_SUBSTITUTEPATH, "9 N0CALL 1 A", -8,
       "\a\aError: t.cfg[1]: Invalid Digi Match Index [0..8]: 9\n%L\n"},
      {KW_DELETEPATH, "264 N0CALL 1", -8,
       "\a\aError: t.cfg[1]: Invalid Digi Match Index [0..8]: 264\n%L\n"},
      {KW_SUBSTITUTEPATH, "*", -9, "\a\aError: t.cfg[1]: argument(s) missing: Digi Match\n%L\n"},
      {KW_DELETEPATH, "1 N0CALL-x 1", -10,
       "\a\aError: t.cfg[1]: Digi Match: Digi N0CALL invalid SSID range [0..15]: x\n%L\n"},
      {KW_DELETEPATH, "1 N0CALL-16 1", -11,
       "\a\aError: t.cfg[1]: Digi Match: Digi N0CALL invalid SSID range [0..15]: 16\n%L\n"},
      {KW_DELETEPATH, "1 N0CALL-256 1", -11,
       "\a\aError: t.cfg[1]: Digi Match: Digi N0CALL invalid SSID range [0..15]: 256\n%L\n"},
      {KW_DELETEPATH, "1 WIDE2-2* 1", -12,
       "\a\aError: t.cfg[1]: Digi Match: Digi WIDE2-2 exceeds length 6\n%L\n"},
      {KW_DELETEPATH, "1 ABCDEFG 1", -12,
       "\a\aError: t.cfg[1]: Digi Match: Digi ABCDEFG exceeds length 6\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL", -13,
       "\a\aError: t.cfg[1]: argument(s) missing: Substitution Index\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL -1 A", -14,
       "\a\aError: t.cfg[1]: Invalid Digi Action Index [0..8]: -1\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL 9 A", -15,
       "\a\aError: t.cfg[1]: Invalid Digi Action Index [0..8]: 9\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL 1", -16,
       "\a\aError: t.cfg[1]: argument(s) missing: Substitution Path\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL 1 # A", -16,
       "\a\aError: t.cfg[1]: argument(s) missing: Substitution Path\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL 1 A,B-x,C", -17,
       "\a\aError: t.cfg[1]: Digi Substitution[2]: B invalid SSID range [0..15]: x\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL 1 A-16", -18,
       "\a\aError: t.cfg[1]: Digi Substitution[1]: A invalid SSID range [0..15]: 16\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL 1 A B C D E F G ABCDEFG", -19,
       "\a\aError: t.cfg[1]: Digi Substitution[8]: ABCDEFG exceeds length 6\n%L\n"},
      {KW_SUBSTITUTEPATH, "* N0CALL 6 A,B,C,D", -20,
       "\a\aError: t.cfg[1]: Digi Substitution Index (6) and Number of Substitution Digis (4) "
       "exceeds Maximum (8)\n%L\n"},
      {KW_DELETEPATH, "* *", -21, "\a\aError: t.cfg[1]: argument(s) missing: Delete Index\n%L\n"},
      {KW_DELETEPATH, "* * x3", -22,
       "\a\aError: t.cfg[1]: Invalid Digi Action Index [0..8]: x3\n%L\n"},
      {KW_DELETEPATH, "* * 9", -23,
       "\a\aError: t.cfg[1]: Invalid Digi Action Index [0..8]: 9\n%L\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    conf_load_defaults();
    conf_line_num = 0;
    const outcome r = add(c.code, c.args);
    EXPECT_EQ(r.rc, c.rc);
    std::string expected = c.out;
    expected.replace(expected.find("%L"), 2, conf_line_copy);
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(conf_rec.subst_count + conf_rec.delete_count, 0);
  }
}

TEST_F(PathEdit, ParameterChecks) {
  char args[] = "* * 1";
  const struct {
    int code;
    const char* name;
    char* args;
    int rc;
    const char* out;
  } cases[] = {
      {KW_DELETEPATH, nullptr, args, -1, "path_edit_add: Error: invalid param cmd_name ptr\n"},
      {KW_LAT, "lat", args, -2, "path_edit_add: Error: invalid command: 12\n"},
      {KW_DELETEPATH, "deletepath", nullptr, -3, "path_edit_add: Error: invalid param args ptr\n"},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(path_edit_add(c.code, c.name, c.args), c.rc);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out);
  }
  testing::internal::CaptureStdout();
  EXPECT_EQ(check_path_edit_dupe(nullptr), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "check_path_edit_dupe: Error: invalid param poe ptr\n");
}

TEST_F(PathEdit, Duplicates) {
  ASSERT_EQ(del("* N0CALL 3").rc, 0);
  ASSERT_EQ(sub("* WIDE1-1 1 N0CALL*").rc, 0);
  // Same match as the delete, other kind: accepted.
  ASSERT_EQ(sub("* N0CALL 3 K1ABC").rc, 0);
  // Same kind, match and index; a different path does not matter.
  outcome r = sub("0 wide1-1 1 K2ABC,K3ABC");
  EXPECT_EQ(r.rc, -20);
  EXPECT_EQ(r.out, "\a\aError: t.cfg[4]: Duplicate Path Substitution at entry 2\n");
  r = del("* n0call 3");
  EXPECT_EQ(r.rc, -20);
  EXPECT_EQ(r.out, "\a\aError: t.cfg[5]: Duplicate Path Delete at entry 1\n");
  // Any difference in index, SSID or star makes a new entry.
  EXPECT_EQ(del("* N0CALL 4").rc, 0);
  EXPECT_EQ(del("1 N0CALL 3").rc, 0);
  EXPECT_EQ(del("* N0CALL-0 3").rc, 0);
  EXPECT_EQ(del("* N0CALL* 3").rc, 0);
  EXPECT_EQ(conf_rec.subst_count, 2);
  EXPECT_EQ(conf_rec.delete_count, 5);
}

TEST_F(PathEdit, TablesFillUp) {
  for (int i = 1; i <= 8; ++i) {
    ASSERT_EQ(sub("* S" + std::to_string(i) + " 1 A").rc, 0);
    ASSERT_EQ(del("* D" + std::to_string(i) + " 1").rc, 0);
  }
  EXPECT_EQ(conf_rec.subst_count, 8);
  EXPECT_EQ(conf_rec.delete_count, 8);
  // Entries keep file order, substitutions and deletes interleaved; each
  // substitution owns the next path.
  EXPECT_STREQ(conf_rec.path_edits[14].match.call, "S8");
  EXPECT_EQ(conf_rec.path_edits[14].subst_index, 7);
  EXPECT_STREQ(conf_rec.path_edits[15].match.call, "D8");

  outcome r = sub("* S9 1 A");
  EXPECT_EQ(r.rc, -4);
  EXPECT_EQ(r.out, "\a\aError: t.cfg[17]: substitutions are full: 8\nsubstitutepath * S9 1 A\n");
  r = del("* D9 1");
  EXPECT_EQ(r.rc, -5);
  EXPECT_EQ(r.out, "\a\aError: t.cfg[18]: deletes are full: 8\ndeletepath * D9 1\n");
  EXPECT_EQ(conf_rec.subst_count + conf_rec.delete_count, 16);
}

TEST_F(PathEdit, PathLengthAgainstIndex) {
  EXPECT_EQ(sub("* A 5 B,C,D,E").rc, 0);          // 5 + 4 - 1 = 8
  EXPECT_EQ(sub("* A 8 B").rc, 0);                // 8 + 1 - 1 = 8
  EXPECT_EQ(sub("* A * B,C,D,E,F,G,H,I").rc, 0);  // '*' has no end to pass
  EXPECT_EQ(sub("* A 6 B,C,D,E").rc, -20);
  // Nine digis store eight; a comment ends the path.
  ASSERT_EQ(sub("* B 1 C1 C2 C3 C4 C5 C6 C7 C8 C9").rc, 0);
  EXPECT_EQ(conf_rec.subst_paths[3].count, 8);
  EXPECT_STREQ(conf_rec.subst_paths[3].addr[7].call, "C8");
  ASSERT_EQ(sub("* C 1 K1, K2 ; K3").rc, 0);
  EXPECT_EQ(conf_rec.subst_paths[4].count, 2);
  // A failed substitution leaves its slot to the next one.
  EXPECT_EQ(sub("* D 1 A-99").rc, -18);
  ASSERT_EQ(sub("* D 1 Z").rc, 0);
  EXPECT_EQ(conf_rec.path_edits[5].subst_index, 5);
  EXPECT_EQ(conf_rec.subst_paths[5].count, 1);
  EXPECT_EQ(conf_rec.subst_count, 6);
}

TEST_F(PathEdit, Display) {
  EXPECT_EQ(display(),
            "Path Substitution: Count  0, Max  8, Entry size 77, Table size 616\n"
            "Path Delete:       Count  0, Max  8, Entry size 12, Table size  96\n");

  ASSERT_EQ(sub("* WIDE1-1 1 N0CALL*,WIDE1*").rc, 0);
  ASSERT_EQ(del("3 * *").rc, 0);
  ASSERT_EQ(sub("2 relay* * WIDE2-1,wide2-2*,K1ABC-3*,N0CALL").rc, 0);
  ASSERT_EQ(del("8 K1ABC 2").rc, 0);
  EXPECT_EQ(display(),
            "Path Substitution: Count  2, Max  8, Entry size 77, Table size 616\n"
            "Path Delete:       Count  2, Max  8, Entry size 12, Table size  96\n"
            "#  Type MIndx Match      AIndx Substitution Digi Path\n"
            "\n"
            "1   Sub   *   WIDE1-1      1   N0CALL*,WIDE1*\n"
            "2   Del   3   *            *\n"
            "3   Sub   2   RELAY*       *   WIDE2-1,WIDE2*,K1ABC-3*,N0CALL*\n"
            "4   Del   8   K1ABC        2\n");
}

struct token_case {
  const char* text;
  const char* delims;
  std::vector<std::pair<std::string, char>> tokens;  // token and its ending
};

TEST(GetToken, CutsInPlace) {
  const token_case cases[] = {
      {"a b", " ", {{"a", ' '}, {"b", '\0'}}},
      {",, a,,b ,", ", ", {{"a", ','}, {"b", ' '}}},
      {"#x/y", "#/;", {{"x", '/'}, {"y", '\0'}}},
      {"  lead and trail  ", " ", {{"lead", ' '}, {"and", ' '}, {"trail", ' '}}},
      {"one", "", {{"one", '\0'}}},
      {"", " ", {}},
      {" ,\t", " ,\t", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string buf = c.text;
    char* rest = buf.data();
    std::vector<std::pair<std::string, char>> got;
    char ending = 'x';
    while (char* t = get_token(rest, c.delims, &rest, &ending)) got.emplace_back(t, ending);
    EXPECT_EQ(got, c.tokens);
    EXPECT_EQ(rest, nullptr);
    EXPECT_EQ(ending, '\0');
  }
  char* rest = reinterpret_cast<char*>(1);
  char ending = 'x';
  EXPECT_EQ(get_token(nullptr, " ", &rest, &ending), nullptr);
  EXPECT_EQ(rest, nullptr);
  EXPECT_EQ(ending, '\0');
}

TEST(GetToken, RestPointsBehindTheDelimiter) {
  char text[] = "key  value";
  char* rest = nullptr;
  char ending = 0;
  EXPECT_STREQ(get_token(text, " ", &rest, &ending), "key");
  EXPECT_EQ(rest, text + 4);  // the second blank stays in the rest
  char end_text[] = "last";
  EXPECT_STREQ(get_token(end_text, " ", &rest, &ending), "last");
  EXPECT_EQ(rest, end_text + 4);
  EXPECT_EQ(*rest, '\0');
}

TEST(GetToken, TwoTextsAtOnce) {
  char a[] = "1 2 3";
  char b[] = "x,y";
  char *ra = a, *rb = b;
  std::string order;
  for (int i = 0; i < 3; ++i) {
    if (char* t = get_token(ra, " ", &ra, nullptr)) order += t;
    if (char* t = get_token(rb, ",", &rb, nullptr)) order += t;
  }
  EXPECT_EQ(order, "1x2y3");
}

}  // namespace
