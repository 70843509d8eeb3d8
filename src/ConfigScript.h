// ConfigScript: what the player's settings need of the configuration mechanism beyond the shipped file: a script
// run over the values in force (nothing is reset first), whose refusals are not logged by the tag method but
// reported once by the caller, with the place and the reason.
// Depends on: Config.
#ifndef ZARVELLO_CONFIGSCRIPT_H
#define ZARVELLO_CONFIGSCRIPT_H

// Runs the script configName over the values in force: 0 on success, 2 when the file cannot be read, another
// non-zero status when it fails (configScriptError then says where and why). Assignments made before a failure
// stay; the caller puts the earlier values back.
int runPlayerConfigScript(const char *configName);

// Why the last script failed: "<file>:<line>: <reason>" when the place is known.
const char *configScriptError();

#endif
