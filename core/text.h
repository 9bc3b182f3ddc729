// The one place where text changes encoding. The user sees UTF-16 (W APIs); the list file and the
// paths handed to decoder plug-ins speak the ANSI code page, kept byte for byte.
#pragma once
#include <string>
#include <string_view>

namespace mrv {

std::wstring AnsiToWide(std::string_view ansi);

// The ANSI form of a wide string; *lossless is false when a character has no ANSI form.
std::string WideToAnsi(std::wstring_view wide, bool* lossless = nullptr);

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// The 8.3 short form of an existing path; empty when the file system has none.
std::wstring ShortPathOf(const std::wstring& path);

// A path that ANSI calls can open: the path itself when the code page holds it, otherwise its
// 8.3 short form when the file system has one. Empty when neither works.
std::string AnsiPathFor(const std::wstring& path);

// The code page's lead bytes, for scanning ANSI paths.
bool IsAnsiLeadByte(unsigned char c);

}  // namespace mrv
