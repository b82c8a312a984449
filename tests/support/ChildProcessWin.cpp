#include "ChildProcess.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace testsupport
{
namespace
{
// One argument quoted for the command line a programme's C runtime splits again:
// backslashes are literal unless they precede a quote.
std::wstring quoted(const std::wstring& argument)
{
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
    return argument;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument)
  {
    if (c == L'\\')
    {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

// Wine has been seen, once in many runs, to fail a child's start right after another
// child ended: each step is tried once more after a pause before it counts as failed.
template <class Step> bool withOneRetry(Step step)
{
  if (step())
    return true;
  Sleep(200);
  return step();
}

HANDLE openForChild(const std::filesystem::path& path)
{
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE file = INVALID_HANDLE_VALUE;
  withOneRetry([&] {
    file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  return file;
}
} // namespace

int runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& outFile, const std::filesystem::path& errFile)
{
  const std::filesystem::path executable = std::filesystem::absolute(program);
  std::wstring commandLine = quoted(executable.wstring());
  for (const std::string& argument : arguments)
    commandLine += L" " + quoted(std::filesystem::path(argument).wstring());

  HANDLE out = openForChild(outFile);
  HANDLE err = openForChild(errFile);
  int exitCode = -1;
  if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE)
  {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const bool started = withOneRetry([&] {
      return CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process) != 0;
    });
    if (!started)
    {
      // The test then shows why nothing ran.
      const std::string reason = "the test could not start the programme: error " + std::to_string(GetLastError());
      DWORD written = 0;
      WriteFile(err, reason.data(), static_cast<DWORD>(reason.size()), &written, nullptr);
    }
    else
    {
      WaitForSingleObject(process.hProcess, INFINITE);
      DWORD code = 0;
      if (GetExitCodeProcess(process.hProcess, &code))
        exitCode = static_cast<int>(code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  if (out != INVALID_HANDLE_VALUE)
    CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE)
    CloseHandle(err);
  return exitCode;
}
} // namespace testsupport
