// Comma fields, atoi-style numbers and the work list built from them.
#include "script/values.h"
#include "update/work_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(std::string value, int max) {
    std::vector<char> buffer(value.begin(), value.end());
    buffer.push_back('\0');
    char *fields[8] = {};
    int count = SplitCommaFields(buffer.data(), fields, max);
    std::vector<std::string> result;
    for (int i = 0; i < count; i++) {
        result.push_back(fields[i]);
    }
    return result;
}

TEST(SplitCommaFieldsTest, EmptyFieldsVanish) {
    using List = std::vector<std::string>;
    const struct {
        const char *value;
        int max;
        List fields;
    } cases[] = {
        {"a,b,c", 8, {"a", "b", "c"}},
        {"a,,c", 8, {"a", "c"}},
        {",,a", 8, {"a"}},
        {"a,", 8, {"a"}},
        {"", 8, {}},
        {",,,", 8, {}},
        {" a , b", 8, {" a ", " b"}},
        {"a,b,c,d", 3, {"a", "b", "c"}},
        {"a,b", 0, {}},
        {"a;b,c", 8, {"a;b", "c"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Split(c.value, c.max), c.fields);
    }
}

TEST(SplitCommaFieldsTest, FieldsBeyondMaxAreLeftUntouched) {
    char value[] = "a,b,c,d";
    char *fields[2];
    ASSERT_EQ(SplitCommaFields(value, fields, 2), 2);
    EXPECT_STREQ(fields[1], "b");
    EXPECT_STREQ(value + 4, "c,d");
}

TEST(ParseIntegerTest, AtoiRulesWithWrapping) {
    const struct {
        const char *text;
        int32_t number;
    } cases[] = {
        {"100", 100},
        {"  -12x", -12},
        {"+5", 5},
        {"\t\n\v\f\r 7", 7},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"0x10", 0},
        {"007", 7},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", INT32_MIN},
        {"4294967295", -1},
        {"4294967296", 0},
        {"-4294967297", -1},
        {"99999999999999999999", 1661992959}, // modulo 2^32
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseInteger(c.text), c.number);
    }
}

class WorkListTest : public ::testing::Test {
  protected:
    void SetUp() override { FreeWorkList(); }
    void TearDown() override { FreeWorkList(); }

    WorkEntry *Add(const char *value, uint32_t kind = ENTRY_COPY) {
        char buffer[NAME_SIZE];
        snprintf(buffer, sizeof buffer, "%s", value);
        WorkEntry *entry = AddWorkEntry(buffer);
        if (entry != nullptr) {
            entry->kind = kind;
        }
        return entry;
    }
};

TEST_F(WorkListTest, EntryFieldsFromValue) {
    const struct {
        const char *value;
        const char *name;
        int32_t time;
        int32_t extra;
    } cases[] = {
        {"name.exe,100,7", "name.exe", 100, 7},
        {"name.exe,,7", "name.exe", 7, 0},
        {",,name.exe", "name.exe", 0, 0},
        {"name.exe", "name.exe", 0, 0},
        {"name.exe,abc", "name.exe", 0, 0},
        {"name.exe ,100", "name.exe ", 100, 0},
        {"name.exe, 100", "name.exe", 100, 0},
        {"name.exe,100,7,9,11", "name.exe", 100, 7},
        {"name.exe,-5,+3", "name.exe", -5, 3},
        {"fixup.exe /q,a,b", "fixup.exe /q", 0, 0},
        {"run.exe a,b 3,4", "run.exe a", 0, 4},
        {"", "", 0, 0},
        {",,,", "", 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        WorkEntry *entry = Add(c.value);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(Wizard.WorkListHead, entry);
        EXPECT_STREQ(entry->name, c.name);
        EXPECT_EQ(entry->time, c.time);
        EXPECT_EQ(entry->extra, c.extra);
    }
}

TEST_F(WorkListTest, NewEntryStartsEmptyAndLinkedAtHead) {
    WorkEntry *first = Add("a", ENTRY_ADD);
    char value[] = ",,";
    WorkEntry *second = AddWorkEntry(value);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->kind, 0u);
    EXPECT_EQ(second->name[0], '\0');
    EXPECT_EQ(second->next, first);
    EXPECT_EQ(first->next, nullptr);
}

TEST_F(WorkListTest, ValueIsSplitInPlace) {
    char value[] = "a.dat,100,0";
    ASSERT_NE(AddWorkEntry(value), nullptr);
    EXPECT_STREQ(value, "a.dat");
}

TEST_F(WorkListTest, WalkedNewestFirst) {
    Add("first");
    Add("second");
    Add("third");
    std::vector<std::string> names;
    for (WorkEntry *entry = Wizard.WorkListHead; entry != nullptr; entry = entry->next) {
        names.push_back(entry->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"third", "second", "first"}));
}

TEST_F(WorkListTest, CountMatchesAnyBitOfMask) {
    Add("a", ENTRY_COPY);
    Add("b", ENTRY_ADD);
    Add("c", ENTRY_ADD | ENTRY_FAILED);
    Add("", ENTRY_REMOVE);
    Add(",", ENTRY_CLEANUP);
    EXPECT_EQ(CountWorkEntries(ENTRY_ADD), 2);
    EXPECT_EQ(CountWorkEntries(ENTRY_COPY), 1);
    EXPECT_EQ(CountWorkEntries(ENTRY_ADD | ENTRY_FAILED), 2);
    EXPECT_EQ(CountWorkEntries(ENTRY_ADD | ENTRY_COPY), 3);
    EXPECT_EQ(CountWorkEntries(ENTRY_REMOVE), 1);
    EXPECT_EQ(CountWorkEntries(ENTRY_CLEANUP), 1);
    EXPECT_EQ(CountWorkEntries(ENTRY_EXECUTE), 0);
    EXPECT_EQ(CountWorkEntries(0), 0);
}

TEST_F(WorkListTest, FreeEmptiesTheList) {
    FreeWorkList();
    EXPECT_EQ(Wizard.WorkListHead, nullptr);
    for (int i = 0; i < 1000; i++) {
        Add("x,1,2");
    }
    EXPECT_EQ(CountWorkEntries(ENTRY_COPY), 1000);
    FreeWorkList();
    EXPECT_EQ(Wizard.WorkListHead, nullptr);
    EXPECT_EQ(CountWorkEntries(0xFFFFFFFFu), 0);
}

TEST_F(WorkListTest, OverlongNameIsCutAndTerminated) {
    std::string value(300, 'n');
    value += ",5";
    std::vector<char> buffer(value.begin(), value.end());
    buffer.push_back('\0');
    WorkEntry *entry = AddWorkEntry(buffer.data());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(std::string(entry->name), std::string(NAME_SIZE - 1, 'n'));
    EXPECT_EQ(entry->time, 5);
}

} // namespace
