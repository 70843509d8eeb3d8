// WidgetTestSupport: what the widget tests share. Probe, the widget they build trees from, records its caption
// in destroyedLog when it is destroyed, so that a test can ask which widgets a removal or a shutdown took down;
// WidgetTreeTest starts each test with a quiet, empty console, no widget manager and an empty destroyedLog.
// Depends on: GoogleTest, the engine's Widget, WidgetManager and console.
#ifndef ZARVELLO_TESTS_WIDGETTESTSUPPORT_H
#define ZARVELLO_TESTS_WIDGETTESTSUPPORT_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ConfigTable.h"
#include "Console.h"
#include "TestSupport.h"
#include "Widget.h"
#include "WidgetManager.h"

// Captions of destroyed widgets, ";"-separated, kept without allocating; a test empties it in its SetUp.
inline char destroyedLog[4096];

class Probe : public Widget {
public:
    Probe(const char *caption, short x, short y, unsigned short w, unsigned short h, Widget *parent = nullptr)
        : Widget(caption, x, y, w, h, parent)
    {
    }
    ~Probe() override
    {
        std::strncat(destroyedLog, getCaption(), sizeof destroyedLog - std::strlen(destroyedLog) - 2);
        std::strcat(destroyedLog, ";");
    }
};

inline bool destroyed(const char *caption)
{
    return (std::string(";") + destroyedLog).find(std::string(";") + caption + ";") != std::string::npos;
}

class WidgetTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        quietConsole();
        WidgetManager::destroyWidgetManager();
        Console::clearBuffer();
        destroyedLog[0] = '\0';
    }
    void TearDown() override { WidgetManager::destroyWidgetManager(); }
};

#endif
