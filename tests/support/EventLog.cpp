#include "EventLog.h"
#include "UniqueResource.h"
#include <fstream>
#include <sstream>

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

void AppendLogLine(const std::wstring& path, const std::string& event, const std::string& detail)
{
    std::ostringstream line;
    line << GetTickCount() << ' ' << GetCurrentProcessId() << ' ' << event;
    if (!detail.empty())
        line << ' ' << detail;
    line << "\r\n";
    std::string text = line.str();
    // FILE_APPEND_DATA makes each write land whole at the end, whoever else writes.
    for (int attempt = 0; attempt < 50; ++attempt) {
        UniqueFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            DWORD written = 0;
            WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            return;
        }
        Sleep(10);
    }
}

std::vector<LogLine> ReadLog(const std::wstring& path)
{
    std::vector<LogLine> lines;
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return lines;
    std::string content;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        content.append(chunk, read);
    file.reset();

    std::istringstream stream(content);
    std::string text;
    while (std::getline(stream, text)) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        std::istringstream fields(text);
        LogLine line;
        if (!(fields >> line.tick >> line.pid >> line.event))
            continue;
        std::getline(fields, line.detail);
        if (!line.detail.empty() && line.detail[0] == ' ')
            line.detail.erase(0, 1);
        lines.push_back(line);
    }
    return lines;
}

std::wstring LogBesideProgram()
{
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    std::wstring log(path, n);
    size_t dot = log.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > log.find_last_of(L'\\'))
        log.erase(dot);
    return log + L".log";
}

std::vector<std::string> ReadLines(const std::wstring& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path.c_str(), std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}
