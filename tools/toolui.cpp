// The tool's user interface: library messages on stderr with the current file as prefix, and the progress bar.
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "input.h"
#include "tool.h"

namespace tool {
namespace {

std::mutex g_out;
bool g_barShown = false;
thread_local std::string t_file;
thread_local int t_messages = 0;
thread_local MessageCapture* t_capture = nullptr;

// Under g_out: removes the progress bar from the line so that a message can take it.
void ClearBar() {
    if (g_barShown) {
        std::fputs("\r\033[K", stderr);
        g_barShown = false;
    }
}

}  // namespace

ToolUi::ToolUi() : m_previous(AfxSetUserInterface(this)) {}
ToolUi::~ToolUi() { AfxSetUserInterface(m_previous); }

void ToolUi::SetCurrentFile(const std::string& file) {
    t_file = file;
    t_messages = 0;
}
const std::string& ToolUi::CurrentFile() { return t_file; }
int ToolUi::MessagesForCurrentFile() { return t_messages; }

namespace {

// One line on stderr; a line break inside it would make a line of its own that looks like another report.
void Line(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\n') line += "\\n";
        else if (c == '\r') line += "\\r";
        else line += c;
    }
    line += '\n';
    std::lock_guard<std::mutex> lock(g_out);
    ClearBar();
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

void ToolUi::Report(const std::string& kind, const std::string& text) {
    if (t_file.empty()) Line("xrddata: " + kind + ": " + text);
    else Line(kind + ": " + Printable(t_file) + ": " + text);
}

void ToolUi::ReportNamed(const std::string& kind, const std::string& text) { Line(kind + ": " + text); }

MessageCapture::MessageCapture() : m_outer(t_capture) { t_capture = this; }
MessageCapture::~MessageCapture() { t_capture = m_outer; }

int ToolUi::MessageBox(const CString& text, UINT type) {
    if (t_capture) {
        t_capture->m_messages.push_back(text);
        switch (type & MB_TYPEMASK) {
            case MB_YESNO: case MB_YESNOCANCEL: return IDYES;
            default: return IDOK;
        }
    }
    const char* kind = "note";
    switch (type & MB_ICONMASK) {
        case MB_ICONSTOP: kind = "error"; break;
        case MB_ICONEXCLAMATION: kind = "warning"; break;
        default: break;
    }
    ++t_messages;
    Report(kind, text);
    switch (type & MB_TYPEMASK) {
        case MB_YESNO: case MB_YESNOCANCEL: return IDYES;
        default: return IDOK;
    }
}

void ToolUi::Progress(size_t done, size_t total) {
    static const bool tty = isatty(STDERR_FILENO) != 0;
    if (!tty) return;
    std::lock_guard<std::mutex> lock(g_out);
    ClearBar();
    if (total == 0) return;
    const int width = 40;
    const int filled = static_cast<int>(done * width / total);
    std::string bar(static_cast<size_t>(filled), '=');
    bar.resize(width, ' ');
    std::fprintf(stderr, "[%s] %zu/%zu", bar.c_str(), done, total);
    std::fflush(stderr);
    g_barShown = true;
}

}  // namespace tool
