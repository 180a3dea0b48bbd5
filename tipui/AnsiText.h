// Wide text to and from the process's ANSI code page, in which the addresses of the report link
// and of the safety-information page are percent-coded.
#pragma once

#include <string>

std::string ToAnsi(const std::wstring& text);
// Up to the first null of `text`.
std::wstring FromAnsi(const std::string& text);
