// One numbering shared by the shell's commands, the configuration keywords
// and the rule keywords. A rule record stores its keyword's code as its kind,
// so these values are part of the wire format and must never change.
// Codes 6, 7, 25, 41, 45 and 48 are unused.
#pragma once

enum cmd_code : int {
  CMD_DOWNLOAD = 0,
  CMD_FIRMWARE = 1,
  KW_GPS = 2,
  KW_TNC = 3,
  KW_HOST = 4,
  CMD_BAUD = 5,
  CMD_EXIT = 8,  // exit, quit, x
  KW_CALL = 9,
  KW_SSID = 10,
  KW_POSITION = 11,  // position, base
  KW_LAT = 12,
  KW_LON = 13,
  KW_WIDEMAX = 14,
  KW_WIDETOTAL = 15,
  KW_HALTONERR = 16,
  KW_DROPMANGLED = 17,
  KW_FIXVALID = 18,
  KW_RELAYDROP = 19,
  KW_NSR = 20,
  KW_NONAPRS = 21,
  CMD_HELP = 22,  // help, ?
  CMD_DCONFIGURE = 23,
  CMD_DRULES = 24,
  CMD_ANGLES = 26,
  KW_HAVEGPS = 27,
  CMD_CONFIGURE = 28,
  CMD_RULES = 29,
  CMD_CONNECT = 30,
  CMD_DISCONNECT = 31,
  KW_LOG = 32,
  CMD_REPEAT = 33,  // "."
  KW_DUPEWIN = 34,
  KW_RATELIMCALL = 35,
  KW_DIGIPATH = 36,
  KW_BEACON = 37,
  KW_BCOMMENT = 38,
  KW_ICON = 39,
  KW_CONTROLCALL = 40,
  KW_UITRACE = 42,
  KW_ALTITUDE = 43,
  CMD_SERIALTEST = 44,
  KW_SUBSTITUTEPATH = 46,
  KW_DELETEPATH = 47,
  CMD_DEDITPATH = 49,
  RK_IMPLICIT = 50,
  RK_PASS = 51,
  RK_DROP = 52,
  RK_DESTIN = 53,  // destin, dst
  RK_SOURCE = 54,  // source, src
  RK_CIRCLE = 55,
  RK_COMPASS = 56,
  RK_RECTANGLE = 57,
  RK_SECTOR = 58,
  RK_DIGI = 59,
};
