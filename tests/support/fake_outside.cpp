#include "tests/support/fake_outside.h"

#include <gtest/gtest.h>

#include "seam/outside.h"

FakeOutside* FakeOutside::current_ = nullptr;

FakeOutside::FakeOutside() {
  current_ = this;
  outside = Outside{MessageBoxHook,  SleepHook,          WinExecHook,
                    ExitWindowsHook, ModuleFileNameHook, WindowsDirectoryHook};
}

FakeOutside::~FakeOutside() {
  outside = RealOutside();
  if (launchedProcess) {
    TerminateProcess(launchedProcess, 1);
    CloseHandle(launchedProcess);
  }
  current_ = nullptr;
  EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) left unused";
}

void FakeOutside::Answer(int result, std::function<void()> action) {
  answers_.emplace_back(result, std::move(action));
}

void FakeOutside::UseRealLaunch() {
  realLaunch_ = true;
}

void FakeOutside::UseRealLaunchOf(const std::string& program, const std::string& arguments) {
  launchedProgram_ = program;
  launchedArguments_ = arguments;
}

int FakeOutside::MessageBoxHook(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  FakeOutside* self = current_;
  EXPECT_EQ(NULL, owner) << "message boxes have no owner window";
  self->boxes.push_back({text ? text : "", caption ? caption : "", style});
  if (self->answers_.empty()) {
    ADD_FAILURE() << "unexpected message box \"" << (caption ? caption : "") << "\": " << text;
    return IDCANCEL;
  }
  auto answer = std::move(self->answers_.front());
  self->answers_.pop_front();
  if (answer.second) answer.second();
  return answer.first;
}

void FakeOutside::SleepHook(DWORD milliseconds) {
  FakeOutside* self = current_;
  self->now += milliseconds;
  self->sleeps.push_back(milliseconds);
  if (self->onSleep) self->onSleep(self->now);
}

UINT FakeOutside::WinExecHook(LPCSTR commandLine, UINT show, HANDLE* process) {
  FakeOutside* self = current_;
  self->launches.push_back(commandLine);
  if (self->realLaunch_) return RealOutside().winExec(commandLine, show, process);
  if (!self->launchedProgram_.empty()) {
    std::string command = "\"" + self->launchedProgram_ + "\"";
    if (!self->launchedArguments_.empty()) command += " " + self->launchedArguments_;
    UINT result = RealOutside().winExec(command.c_str(), show, &self->launchedProcess);
    if (process) {
      *process = NULL;
      DuplicateHandle(GetCurrentProcess(), self->launchedProcess, GetCurrentProcess(), process, 0,
                      FALSE, DUPLICATE_SAME_ACCESS);
    }
    return result;
  }
  UINT result = self->launch ? self->launch(commandLine, show) : 33;
  if (process) {
    *process = result > 32 ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE,
                                         GetCurrentProcessId())
                           : NULL;
  }
  return result;
}

BOOL FakeOutside::ExitWindowsHook(UINT flags, DWORD reason) {
  current_->exitWindowsCalls.emplace_back(flags, reason);
  return TRUE;
}

namespace {
UINT CopyOut(const std::string& value, LPSTR buffer, UINT size) {
  if (value.size() >= size) {
    if (size) {
      memcpy(buffer, value.c_str(), size - 1);
      buffer[size - 1] = '\0';
    }
    return static_cast<UINT>(value.size() + 1);
  }
  memcpy(buffer, value.c_str(), value.size() + 1);
  return static_cast<UINT>(value.size());
}
}  // namespace

DWORD FakeOutside::ModuleFileNameHook(LPSTR buffer, DWORD size) {
  if (current_->modulePath.empty()) return GetModuleFileNameA(NULL, buffer, size);
  // GetModuleFileNameA truncates and returns size when the path does not fit.
  UINT n = CopyOut(current_->modulePath, buffer, size);
  return n > size ? size : n;
}

UINT FakeOutside::WindowsDirectoryHook(LPSTR buffer, UINT size) {
  if (current_->windowsFolder.empty()) return GetWindowsDirectoryA(buffer, size);
  return CopyOut(current_->windowsFolder, buffer, size);
}
