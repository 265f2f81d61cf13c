// A fresh simulated machine and a fresh toolkit for every test, and small readers for results.
#pragma once
#include "platform.h"
#include "toolkit_host.h"
#include "winsim/machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ToolkitTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
        TkReset();
    }

    static std::string Sym(const char* name)
    {
        char buffer[1024];
        CbGetSymbolValue(name, buffer, sizeof buffer);
        return buffer;
    }

    static std::string Item(const char* list, unsigned short index)
    {
        char buffer[1024];
        CbGetListItem(list, index, buffer, sizeof buffer);
        return buffer;
    }

    static void WriteInf(const std::string& path, const std::string& content)
    {
        winsim::PutFile(path, content);
        ASSERT_TRUE(FOpenInf(path.c_str(), 1, 0));
    }
};
