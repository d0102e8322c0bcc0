#include "platform/StringTable.h"

#include <gtest/gtest.h>

using scrivane::StringTable;

TEST(StringTable, AnswersTheKeyWhenTheTableHasNoEntry)
{
    EXPECT_EQ(StringTable::lookup("UndoStrings", "No such entry"), "No such entry");
    EXPECT_EQ(StringTable::lookup("NoSuchTable", "Create %@"), "Create %@");
}
