// Player settings: the player's settings file runs after the configuration file, over the values in force. A
// copy of every setting's bytes is taken first and put back when the file fails, so a player's typo costs nothing
// but the file. Writing turns each setting's stored bytes back into the script text that stores the same bytes:
// on/off as "on" and "off", keys by name, numbers with 17 significant digits, text quoted with every control
// byte escaped.
// Depends on: Config (ConfigScript.h), ConfigTable, KeyMapping, PlayerData, SettingRows, Console, Utility.
#include "PlayerSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "ConfigScript.h"
#include "ConfigTable.h"
#include "Console.h"
#include "KeyMapping.h"
#include "PlayerData.h"
#include "SettingRows.h"
#include "Utility.h"

namespace {

char settingsName[256] = "zarvello.conf";
char settingsPath[4400];

std::vector<unsigned char> copyOfValues(const std::vector<const ConfigEntry *> &rows)
{
    std::vector<unsigned char> copy;
    for (const ConfigEntry *row : rows) {
        const unsigned char *bytes = static_cast<const unsigned char *>(row->variable);
        copy.insert(copy.end(), bytes, bytes + storedSize(*row));
    }
    return copy;
}

void restoreValues(const std::vector<const ConfigEntry *> &rows, const std::vector<unsigned char> &copy)
{
    std::size_t offset = 0;
    for (const ConfigEntry *row : rows) {
        std::memcpy(row->variable, copy.data() + offset, storedSize(*row));
        offset += storedSize(*row);
    }
}

// The line in "<file>:<line>: <reason>" (0 when the message names none) and where the reason starts.
int lineOfError(const char *message, const char **reason)
{
    for (const char *colon = std::strchr(message, ':'); colon; colon = std::strchr(colon + 1, ':')) {
        const char *digit = colon + 1;
        int line = 0;
        while (*digit >= '0' && *digit <= '9' && line < 100000000)
            line = line * 10 + (*digit++ - '0');
        if (digit > colon + 1 && digit[0] == ':' && digit[1] == ' ') {
            *reason = digit + 2;
            return line;
        }
    }
    *reason = message;
    return 0;
}

std::string numberText(double number)
{
    if (std::isnan(number))
        return "0/0";
    if (std::isinf(number))
        return number > 0 ? "1/0" : "-1/0";
    if (number == 0 && std::signbit(number))
        return "-0.0";
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", number);
    return text;
}

std::string quotedText(const char *text, std::size_t capacity)
{
    std::string quoted = "\"";
    for (std::size_t i = 0; i + 1 < capacity && text[i]; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += char(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03u", unsigned(c));
            quoted += escape;
        } else {
            quoted += char(c);
        }
    }
    return quoted + "\"";
}

std::string valueText(const ConfigEntry &entry)
{
    const void *variable = entry.variable;
    if (entry.type == CONFIG_TSTRING)
        return quotedText(static_cast<const char *>(variable), entry.numType);
    Uint32 bits = 0;
    if (storedSize(entry) == 4)
        std::memcpy(&bits, variable, 4);
    switch (entry.numType) {
    case numUINT8:
        return std::to_string(*static_cast<const Uint8 *>(variable));
    case numSINT8:
        return std::to_string(*static_cast<const Sint8 *>(variable));
    case numUINT16:
        return std::to_string(*static_cast<const Uint16 *>(variable));
    case numSINT16:
        return std::to_string(*static_cast<const Sint16 *>(variable));
    case numUINT32:
        return std::to_string(bits);
    case numSINT32:
        return std::to_string(Sint32(bits));
    case numSDLBOOL:
        return bits == 1 ? "on" : bits == 0 ? "off" : std::to_string(Sint32(bits));
    case numSDLKEY:
        for (const KeyNameMapping *key = keyNameList; key->keyName; ++key)
            if (key->keyValue == bits)
                return key->keyName;
        return std::to_string(Sint32(bits));
    case numDOUBLE: {
        double number;
        std::memcpy(&number, variable, sizeof number);
        return numberText(number);
    }
    default:
        return "0";
    }
}

}  // namespace

std::size_t storedSize(const ConfigEntry &entry)
{
    if (entry.type == CONFIG_TSTRING)
        return entry.numType;
    switch (entry.numType) {
    case numUINT8:
    case numSINT8:
        return 1;
    case numUINT16:
    case numSINT16:
        return 2;
    case numUINT32:
    case numSINT32:
    case numSDLKEY:
    case numSDLBOOL:
        return 4;
    case numDOUBLE:
        return sizeof(double);
    default:
        return 0;
    }
}

// Every row: the five, then the game's in the order of registration.
std::vector<const ConfigEntry *> allSettings()
{
    std::vector<const ConfigEntry *> rows;
    for (Uint32 i = 0; i < configTableSize; ++i)
        rows.push_back(&configTable[i]);
    for (Uint32 i = 0; i < gameSettingCount(); ++i)
        rows.push_back(gameSetting(i));
    return rows;
}

const char *playerSettingsFile()
{
    const char *folder = playerFolderPath(PLAYER_CONFIG);
    if (!folder)
        return nullptr;
    std::snprintf(settingsPath, sizeof settingsPath, "%s/%s", folder, settingsName);
    return settingsPath;
}

void readPlayerSettings(const char *fileName)
{
    if (fileName && *fileName)
        zarvello::snprintf(255, settingsName, "%s", fileName);
    if (!gameName()[0])
        return;
    const char *path = playerSettingsFile();
    struct stat status;
    if (!path || (stat(path, &status) != 0 && errno == ENOENT))
        return;

    const std::vector<const ConfigEntry *> rows = allSettings();
    const std::vector<unsigned char> before = copyOfValues(rows);
    int result = runPlayerConfigScript(path);
    if (result == 0)
        return;
    restoreValues(rows, before);
    const char *reason = nullptr;
    int line = lineOfError(configScriptError(), &reason);
    if (result == 2 && !*reason)
        Console::addString("readPlayerSettings ('%s'): the file cannot be read", path);
    else if (line > 0)
        Console::addString("readPlayerSettings ('%s'): line %d: %s", path, line, reason);
    else
        Console::addString("readPlayerSettings ('%s'): %s", path, *reason ? reason : "the script failed");
    Console::addString("The player's settings are being ignored");
}

SDL_bool writePlayerSettings()
{
    std::string text = "-- The player's settings";
    text += gameName()[0] ? std::string(" of ") + gameName() : std::string();
    text += ", written by the game. Each line sets one setting. The game reads this file after\n"
            "-- its own configuration; a line it does not understand makes it ignore the whole file.\n";
    for (const ConfigEntry *row : allSettings())
        text += std::string(row->name) + " = " + valueText(*row) + "\n";
    return writePlayerFile(PLAYER_CONFIG, settingsName, text.data(), Uint32(text.size()), "writePlayerSettings");
}
