#include "tools/sfx/failure_text.h"

#include "common/text.h"

namespace {

// Each result's sentence; a bad archive's also by what is wrong with it. A
// row whose zip is kZipOk stands for any other reason.
struct Reason {
  UnpackResult result;
  ZipStatus zip;
  const wchar_t* sentence;
};

const Reason kReasons[] = {
    {kUnpackNoArchive, kZipOk, L"this program cannot read its own file."},
    {kUnpackBadArchive, kZipNoArchive, L"this program holds no archive."},
    {kUnpackBadArchive, kZipUnsupported,
     L"the archive uses a feature this program does not support."},
    {kUnpackBadArchive, kZipRefusedName,
     L"the archive holds a name that is not a plain file name."},
    {kUnpackBadArchive, kZipDuplicateName, L"the archive holds two files of one name."},
    {kUnpackBadArchive, kZipOverlap, L"the archive is damaged: two files share their data."},
    {kUnpackBadArchive, kZipCrcMismatch,
     L"the archive is damaged: a file does not match its checksum."},
    {kUnpackBadArchive, kZipSizeMismatch,
     L"the archive is damaged: a file does not match its checksum."},
    {kUnpackBadArchive, kZipBadData,
     L"the archive is damaged: a file does not match its checksum."},
    {kUnpackBadArchive, kZipOk, L"the archive is damaged or incomplete."},
    {kUnpackNoFolder, kZipOk, L"the folder is missing or cannot be created."},
    {kUnpackPathTooLong, kZipOk, L"the folder name is too long for the files to unzip into it."},
    {kUnpackNoRoom, kZipOk, L"its disk has not enough free space for the files."},
    {kUnpackCannotWrite, kZipOk, L"a file could not be written; the disk may be full."},
    {kUnpackCannotPlace, kZipOk, L"a file could not be replaced; it may be in use or read-only."},
    {kUnpackCancelled, kZipOk, L"unzipping was stopped."},
    {kUnpackCannotHeal, kZipOk,
     L"an earlier unzipping into it was cut off, and its files could not all be put back."},
    {kUnpackForeignWorkFolder, kZipOk,
     L"qbar-work~00 in it is not a folder this program made. Remove it, then unzip again."},
};

const wchar_t* Sentence(const UnpackOutcome& outcome) {
  for (const Reason& reason : kReasons) {
    if (reason.result == outcome.result && (reason.zip == kZipOk || reason.zip == outcome.zip)) {
      return reason.sentence;
    }
  }
  return L"the files could not be unzipped.";
}

// Each opening is true of the folder as the run left it.
const wchar_t* Opening(const UnpackOutcome& outcome) {
  if (outcome.result == kUnpackCannotHeal) return L"Unzipping did not start";
  if (outcome.notUndone[0]) return L"Unzipping failed";
  if (outcome.healed) {
    return L"Files an earlier, cut-off unzipping had replaced were put back, and nothing else "
           L"was changed";
  }
  return L"Nothing was changed";
}

// Appends "\n\n" + label + body + tail whole, or nothing.
void AppendSection(wchar_t* text, size_t size, const wchar_t* label, const wchar_t* body,
                   const wchar_t* tail) {
  size_t end = lstrlenW(text);
  if (!AppendText(text, size, L"\n\n") || !AppendText(text, size, label) ||
      !AppendText(text, size, body) || !AppendText(text, size, tail)) {
    text[end] = L'\0';
  }
}

// Names are plain ASCII; a list too long for the box's section is left out.
void AppendNames(wchar_t* text, size_t size, const wchar_t* label, const char* names,
                 const wchar_t* tail) {
  wchar_t wide[sizeof UnpackOutcome::notUndone] = L"";
  if (AppendAsciiText(wide, names)) AppendSection(text, size, label, wide, tail);
}

// Whole kilobytes as a 32-bit count; beyond 4 TB the count stops there.
unsigned KiloBytes(ULONGLONG bytes) {
  ULONGLONG kilobytes = bytes / 1024;
  return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned>(kilobytes);
}

// Needed rounded up and free rounded down, so that the two never read as
// equal.
void AppendSpace(wchar_t* text, size_t size, const UnpackOutcome& outcome) {
  wchar_t figures[64] = L"";
  AppendDecimal(figures, KiloBytes(outcome.needed + 1023));
  AppendText(figures, L" KB; ");
  AppendDecimal(figures, KiloBytes(outcome.available));
  AppendSection(text, size, L"The files need ", figures, L" KB are free.");
}

}  // namespace

void DescribeFailure(const UnpackOutcome& outcome, wchar_t* text, size_t size) {
  if (outcome.result == kUnpackDone) {
    CopyText(text, size, L"The files were unzipped.");
    return;
  }
  if (!CopyText(text, size, Opening(outcome)) ||
      (outcome.folder[0] &&
       (!AppendText(text, size, L" in ") || !AppendText(text, size, outcome.folder))) ||
      !AppendText(text, size, L": ") || !AppendText(text, size, Sentence(outcome))) {
    text[0] = L'\0';
    return;
  }
  if (outcome.result == kUnpackNoRoom) AppendSpace(text, size, outcome);
  if (outcome.name[0]) AppendNames(text, size, L"File: ", outcome.name, L"");
  if (outcome.notUndone[0]) {
    AppendNames(text, size, L"These files are not as they were: ", outcome.notUndone,
                L". They are put back when this program next unzips into the folder.");
  }
}
