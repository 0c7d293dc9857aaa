// The unpack journal's writer and reader (tools/sfx/unpack_journal.h): what
// the reader accepts decides whether the next run moves files back, so it
// must refuse anything the writer could not have written, and tell a plan
// cut off while being written (nothing moved yet) from a whole one.
#include "tools/sfx/unpack_journal.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

JournalState Check(const std::string& text) {
  return JournalCheck(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::vector<std::string> Records(const std::string& text) {
  std::vector<std::string> records;
  JournalRecord record;
  size_t cursor = 0;
  const uint8_t* data = reinterpret_cast<const uint8_t*>(text.data());
  while (JournalNextRecord(data, text.size(), &cursor, &record)) {
    records.push_back((record.aside ? "aside " : "new ") + std::to_string(record.slot) + " " +
                      record.name);
  }
  return records;
}

const JournalRecord kPlan[] = {{false, 0, "big.txt"}, {true, 1, "QBar.DllNew"}, {true, 12, "-"}};

std::string WrittenPlan() {
  std::vector<char> text(JournalPlanSize(3), '\0');
  EXPECT_TRUE(JournalAppendStart(text.data(), text.size()));
  for (const JournalRecord& record : kPlan) {
    EXPECT_TRUE(JournalAppendRecord(text.data(), text.size(), record));
  }
  EXPECT_TRUE(JournalAppendPlanned(text.data(), text.size()));
  return text.data();
}

TEST(Journal, WhatTheWriterWritesReadsBackRecordForRecord) {
  std::string plan = WrittenPlan();
  EXPECT_EQ("quillbar unpack journal 1\nnew 0 big.txt\naside 1 QBar.DllNew\naside 12 -\nplanned\n",
            plan);
  EXPECT_EQ(kJournalPlanned, Check(plan));
  std::vector<std::string> expected = {"new 0 big.txt", "aside 1 QBar.DllNew", "aside 12 -"};
  EXPECT_EQ(expected, Records(plan));
  EXPECT_EQ(kJournalPlaced, Check(plan + kJournalPlacedLine));
  EXPECT_EQ(expected, Records(plan + kJournalPlacedLine));
}

TEST(Journal, EveryCutOfItsWritingReadsAsWhatHadHappenedByThen) {
  std::string plan = WrittenPlan();
  std::string whole = plan + kJournalPlacedLine;
  for (size_t length = 0; length <= whole.size(); ++length) {
    JournalState expected = length < plan.size()    ? kJournalUnreadable
                            : length < whole.size() ? kJournalPlanned
                                                    : kJournalPlaced;
    EXPECT_EQ(expected, Check(whole.substr(0, length))) << length;
  }
}

TEST(Journal, ANameTooLongForTheRoomIsRefusedAndTheTextKept) {
  char text[40] = "";
  ASSERT_TRUE(JournalAppendStart(text, sizeof text));
  JournalRecord record = {true, 999999, "a-name-that-does-not-fit.txt"};
  EXPECT_FALSE(JournalAppendRecord(text, sizeof text, record));
  EXPECT_STREQ("quillbar unpack journal 1\n", text);
  record.slot = 1000000;
  strcpy(record.name, "a");
  EXPECT_FALSE(JournalAppendRecord(text, sizeof text, record)) << "no slot past 999999";
}

TEST(Journal, AnythingTheWriterCannotHaveWrittenIsUnreadable) {
  const std::string start = "quillbar unpack journal 1\n";
  EXPECT_EQ(kJournalUnreadable, Check("quillbar unpack journal 2\nplanned\n")) << "another format";
  // Each row fails another of the reader's checks.
  const char* const plans[] = {
      "new 1 a\nnew 1 b\nplanned\n",                      // slots that do not rise
      "new 01 a\nplanned\n",                              // a second spelling of 1
      "new 1000000 a\nplanned\n",                         // a slot past the largest
      "new a\nplanned\n",                                 // no slot
      "new 1a\nplanned\n",                                // no blank after it
      "new 1 \nplanned\n",                                // no name
      "moved 1 a\nplanned\n",                             // no such record
      "aside 1 ../setup.exe\nplanned\n",                  // a name the archive could not hold
      "aside 1 Readme.txt\nnew 2 README.TXT\nplanned\n",  // one file twice
  };
  for (const char* plan : plans) {
    EXPECT_EQ(kJournalUnreadable, Check(start + plan)) << plan;
  }
  std::string nul = start + "new 1 a";
  nul += '\0';
  nul += "b\nplanned\n";
  EXPECT_EQ(kJournalUnreadable, Check(nul)) << "a NUL inside a name";
}

// A cut between the write of the end of placing and its flush may leave
// anything on the disk in its place; nothing was deleted before that flush,
// so the plan is undone.
TEST(Journal, AnyEndOfAWholePlanButTheEndOfPlacingReadsAsPlanned) {
  const std::string plan = "quillbar unpack journal 1\nnew 1 a\nplanned\n";
  const std::string ends[] = {
      std::string(7, '\0'),  // zeros
      "placed\nplaced\n",    // more after it
      "PLACED\n",            // other bytes
  };
  for (const std::string& end : ends) EXPECT_EQ(kJournalPlanned, Check(plan + end)) << end;
}

TEST(Journal, AJournalLargerThanAnyPlanIsUnreadable) {
  const std::string plan = "quillbar unpack journal 1\nnew 1 a\nplanned\n";
  EXPECT_EQ(kJournalUnreadable, Check(plan + std::string(kJournalMaxSize, '\0')));
  std::string records = "quillbar unpack journal 1\n";
  for (uint32_t slot = 0; slot < kJournalMaxRecords; ++slot) {
    records += "new " + std::to_string(slot) + " f" + std::to_string(slot) + "\n";
  }
  EXPECT_EQ(kJournalPlanned, Check(records + "planned\n")) << "the most records a plan has";
  records += "new 65535 f65535\n";
  EXPECT_EQ(kJournalUnreadable, Check(records + "planned\n")) << "a record more";
}

}  // namespace
