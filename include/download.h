// The "download" command: sends the configuration record and the rule table
// to the connected device, then always closes the connection.
#pragma once

void download_command();
