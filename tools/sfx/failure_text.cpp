#include "tools/sfx/failure_text.h"

#include "common/text.h"

namespace {

// Each result's sentence; a bad archive's also by what is wrong with it. A
// row whose zip is kZipOk stands for any other reason. The texts are plain
// ASCII, kept as 8-bit text and widened as they are appended, as the names
// are: half the room in the program's file.
struct Reason {
  UnpackResult result;
  ZipStatus zip;
  const char* sentence;
};

// Whatever its data's fault, a file that does not unpack as recorded.
const char kDamagedFile[] = "the archive is damaged: a file does not match its checksum.";

const Reason kReasons[] = {
    {kUnpackNoArchive, kZipOk, "this program cannot read its own file."},
    {kUnpackBadArchive, kZipNoArchive, "this program holds no archive."},
    {kUnpackBadArchive, kZipUnsupported,
     "the archive uses a feature this program does not support."},
    {kUnpackBadArchive, kZipRefusedName, "the archive holds a name that is not a plain file name."},
    {kUnpackBadArchive, kZipDuplicateName, "the archive holds two files of one name."},
    {kUnpackBadArchive, kZipOverlap, "the archive is damaged: two files share their data."},
    {kUnpackBadArchive, kZipCrcMismatch, kDamagedFile},
    {kUnpackBadArchive, kZipSizeMismatch, kDamagedFile},
    {kUnpackBadArchive, kZipBadData, kDamagedFile},
    {kUnpackBadArchive, kZipTooLarge,
     "the archive's list of files is larger than this program takes."},
    {kUnpackBadArchive, kZipCannotRead, "this program cannot read its own file."},
    {kUnpackBadArchive, kZipOk, "the archive is damaged or incomplete."},
    {kUnpackNoFolder, kZipOk, "the folder is missing or cannot be created."},
    {kUnpackPathTooLong, kZipOk, "the folder name is too long for the files to unzip into it."},
    {kUnpackNoRoom, kZipOk, "its disk has not enough free space for the files."},
    {kUnpackCannotWrite, kZipOk, "a file could not be written; the disk may be full."},
    {kUnpackCannotPlace, kZipOk, "a file could not be replaced; it may be in use or read-only."},
    {kUnpackCancelled, kZipOk, "unzipping was stopped."},
    {kUnpackCannotHeal, kZipOk,
     "an earlier unzipping into it was cut off, and its files could not all be put back."},
    {kUnpackForeignWorkFolder, kZipOk,
     "qbar-work~00 in it is not a folder this program made. Remove it, then unzip again."},
};

const char* Sentence(const UnpackOutcome& outcome) {
  for (const Reason& reason : kReasons) {
    if (reason.result == outcome.result && (reason.zip == kZipOk || reason.zip == outcome.zip)) {
      return reason.sentence;
    }
  }
  return "the files could not be unzipped.";
}

// Each opening is true of the folder as the run left it.
const char* Opening(const UnpackOutcome& outcome) {
  if (outcome.result == kUnpackCannotHeal) return "Unzipping did not start";
  if (outcome.notUndone[0]) return "Unzipping failed";
  if (outcome.healed) {
    return "Files an earlier, cut-off unzipping had replaced were put back, and nothing else "
           "was changed";
  }
  return "Nothing was changed";
}

// Appends "\n\n" + label + body + tail whole, or nothing.
void AppendSection(wchar_t* text, size_t size, const char* label, const char* body,
                   const char* tail) {
  size_t end = lstrlenW(text);
  if (!AppendAsciiText(text, size, "\n\n") || !AppendAsciiText(text, size, label) ||
      !AppendAsciiText(text, size, body) || !AppendAsciiText(text, size, tail)) {
    text[end] = L'\0';
  }
}

// Whole kilobytes as a 32-bit count; beyond 4 TB the count stops there.
unsigned KiloBytes(ULONGLONG bytes) {
  ULONGLONG kilobytes = bytes / 1024;
  return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned>(kilobytes);
}

// Needed rounded up and free rounded down, so that the two never read as
// equal.
void AppendSpace(wchar_t* text, size_t size, const UnpackOutcome& outcome) {
  char figures[64] = "";
  AppendDecimal(figures, KiloBytes(outcome.needed + 1023));
  AppendText(figures, " KB; ");
  AppendDecimal(figures, KiloBytes(outcome.available));
  AppendSection(text, size, "The files need ", figures, " KB are free.");
}

}  // namespace

void DescribeFailure(const UnpackOutcome& outcome, wchar_t* text, size_t size) {
  if (!CopyText(text, size, L"")) return;
  if (outcome.result == kUnpackDone) {
    AppendAsciiText(text, size, "The files were unzipped.");
    return;
  }
  if (!AppendAsciiText(text, size, Opening(outcome)) ||
      (outcome.folder[0] &&
       (!AppendAsciiText(text, size, " in ") || !AppendText(text, size, outcome.folder))) ||
      !AppendAsciiText(text, size, ": ") || !AppendAsciiText(text, size, Sentence(outcome))) {
    text[0] = L'\0';
    return;
  }
  if (outcome.result == kUnpackNoRoom) AppendSpace(text, size, outcome);
  if (outcome.name[0]) AppendSection(text, size, "File: ", outcome.name, "");
  if (outcome.notUndone[0]) {
    AppendSection(text, size, "These files are not as they were: ", outcome.notUndone,
                  ". They are put back when this program next unzips into the folder.");
  }
}
