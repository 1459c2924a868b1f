// RunProgram on Windows: the program runs with pipes for its three standard streams.
#include <windows.h>

#include <stdexcept>
#include <thread>

#include "platform/win32/wide.h"
#include "tests/support/run_program.h"

namespace testing_support {
namespace {

struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
};

Pipe MakePipe(bool child_reads) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  Pipe pipe;
  if (!::CreatePipe(&pipe.read, &pipe.write, &inherit, 0)) throw std::runtime_error("pipe failed");
  // Only the child's end is inherited.
  ::SetHandleInformation(child_reads ? pipe.write : pipe.read, HANDLE_FLAG_INHERIT, 0);
  return pipe;
}

void Drain(HANDLE from, std::string* into) {
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0)
    into->append(buffer, got);
  ::CloseHandle(from);
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                         const std::string& shell_prefix) {
  if (!shell_prefix.empty()) throw std::runtime_error("no shell prefix on Windows");
  std::wstring line;
  for (const std::string& argument : arguments) {
    platform::win32::AppendArgument(platform::win32::Widen(argument), line);
  }
  Pipe in = MakePipe(true);
  Pipe out = MakePipe(false);
  Pipe err = MakePipe(false);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.read;
  startup.hStdOutput = out.write;
  startup.hStdError = err.write;
  PROCESS_INFORMATION process = {};
  std::wstring program = platform::win32::Widen(arguments.at(0));
  BOOL started = ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  ::CloseHandle(in.read);
  ::CloseHandle(out.write);
  ::CloseHandle(err.write);
  ProgramResult result;
  if (!started) {
    ::CloseHandle(in.write);
    ::CloseHandle(out.read);
    ::CloseHandle(err.read);
    result.exit_status = 127;
    return result;
  }
  std::thread out_reader(Drain, out.read, &result.out);
  std::thread err_reader(Drain, err.read, &result.err);
  DWORD written = 0;
  if (!input.empty()) {
    ::WriteFile(in.write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  }
  ::CloseHandle(in.write);
  out_reader.join();
  err_reader.join();
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  result.exit_status = static_cast<int>(code);
  return result;
}

bool ProgramsTakeATimeZone() { return false; }

std::vector<std::string> InTimeZone(const std::string&, std::vector<std::string> arguments) {
  return arguments;
}

}  // namespace testing_support
