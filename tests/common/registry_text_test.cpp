#include "common/registry_text.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "tests/support/registry_sandbox.h"

namespace {

class QueryTextValueTest : public ::testing::Test {
 protected:
  LONG Query(const char* name, DWORD size) {
    memset(buffer, 'g', sizeof buffer);
    HKEY key;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "T", 0, KEY_READ, &key));
    LONG result = QueryTextValue(key, name, buffer, size);
    RegCloseKey(key);
    EXPECT_TRUE(memchr(buffer, 0, size) != nullptr) << "not terminated inside the buffer";
    return result;
  }
  RegistrySandbox registry;
  char buffer[32];
};

TEST_F(QueryTextValueTest, MissingValueGivesEmptyTextAndTheError) {
  SetRegText(HKEY_CURRENT_USER, "T", "Other", "x");
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query("Missing", 16));
  EXPECT_STREQ("", buffer);
}

TEST_F(QueryTextValueTest, TextThatJustFits) {
  SetRegText(HKEY_CURRENT_USER, "T", "V", std::string(15, 'a'));
  EXPECT_EQ(ERROR_SUCCESS, Query("V", 16));
  EXPECT_EQ(std::string(15, 'a'), buffer);
}

TEST_F(QueryTextValueTest, TextOneTooLongIsRefused) {
  SetRegText(HKEY_CURRENT_USER, "T", "V", std::string(16, 'a'));
  EXPECT_NE(ERROR_SUCCESS, Query("V", 16));
  EXPECT_STREQ("", buffer);
}

TEST_F(QueryTextValueTest, BinaryDataGetsATerminator) {
  SetRegValue(HKEY_CURRENT_USER, "T", "V", REG_BINARY, "abc", 3);
  EXPECT_EQ(ERROR_SUCCESS, Query("V", 16));
  EXPECT_STREQ("abc", buffer);
}

TEST_F(QueryTextValueTest, EmptyValueIsTheEmptyText) {
  SetRegValue(HKEY_CURRENT_USER, "T", "V", REG_BINARY, "", 0);
  EXPECT_EQ(ERROR_SUCCESS, Query("V", 16));
  EXPECT_STREQ("", buffer);
}

TEST(SetTextValue, WritesRegSzWithItsTerminator) {
  RegistrySandbox registry;
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, "T", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
  EXPECT_EQ(ERROR_SUCCESS, SetTextValue(key, "V", "Quillbar.Note"));
  RegCloseKey(key);
  DWORD type = 0;
  std::vector<unsigned char> data;
  ASSERT_TRUE(ReadRegValue(HKEY_CURRENT_USER, "T", "V", &type, &data));
  EXPECT_EQ(DWORD(REG_SZ), type);
  EXPECT_EQ(14u, data.size());
}

}  // namespace
