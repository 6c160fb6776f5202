#pragma once
// A log that several processes append lines to: "<tick> <pid> <event> [detail]".
// Ticks are GetTickCount values, one clock for every process on the machine,
// so lines from stand-ins and test drivers can be put in one time line.
#include <windows.h>
#include <string>
#include <vector>

struct LogLine {
    DWORD tick = 0;
    DWORD pid = 0;
    std::string event;
    std::string detail;
};

void AppendLogLine(const std::wstring& path, const std::string& event, const std::string& detail = "");
std::vector<LogLine> ReadLog(const std::wstring& path);

// The non-empty lines of a text file (CR LF or LF), UTF-8; none if it is absent.
std::vector<std::string> ReadLines(const std::wstring& path);

// The log beside the running program: "<its folder>\<its base name>.log".
std::wstring LogBesideProgram();

std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);
