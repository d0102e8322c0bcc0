#include "platform/StringTable.h"

#include <gtest/gtest.h>

using scrivane::StringTable;

TEST(StringTable, AnswersTheKeyWhenTheTableHasNoEntry)
{
    EXPECT_EQ(StringTable::lookup("UndoStrings", "No such entry"), "No such entry");
    EXPECT_EQ(StringTable::lookup("NoSuchTable", "Create %@"), "Create %@");
}

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

// The shipped tables are compiled in, parse, and hold text for every key.
TEST(StringTable, ShippedTablesAreObjectsOfTexts)
{
    for (const char *table : {"UndoStrings", "StatusbarStrings", "ToolbarStrings"}) {
        QFile file(QStringLiteral(":/strings/%1.json").arg(QLatin1String(table)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << table;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError)
            << table << ": " << error.errorString().toStdString();
        const QJsonObject entries = document.object();
        EXPECT_FALSE(entries.isEmpty()) << table;
        for (auto it = entries.begin(); it != entries.end(); ++it)
            EXPECT_TRUE(it.value().isString() && !it.value().toString().isEmpty())
                << table << ": " << it.key().toStdString();
    }
    EXPECT_EQ(StringTable::lookup("StatusbarStrings", "Editing group.  *E end  "),
              "Editing group.  *E end  ");
    EXPECT_EQ(StringTable::lookup("ToolbarStrings", "Hide Guides"), "Hide Guides");
}
