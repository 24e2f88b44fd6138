#include "tool_support.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace tool_test {

// The tool's own temporary files go to the sandbox's folder "tmp".
Sandbox::Sandbox() { std::filesystem::create_directory(dir_.file("tmp")); }

std::string ExampleFile() { return std::string(XRDDATA_EXAMPLES_DIR) + "/corundum.raw"; }

Result Sandbox::Program(const std::string& path, const std::vector<std::string>& args, const std::string& input,
                        const std::string& output) const {
    return Wait(Start(path, args, input, output), output.empty());
}

pid_t Sandbox::Start(const std::string& path, const std::vector<std::string>& args, const std::string& input,
                     const std::string& output) const {
    const std::string outPath = output.empty() ? dir_.file(".stdout") : output, errPath = dir_.file(".stderr");
    const std::string user = "XRDDATA_USER_REGISTRY=" + userStore();
    const std::string system = "XRDDATA_SYSTEM_REGISTRY=" + dir_.file("system.reg");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open(input.c_str(), O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (chdir(XRDDATA_EXAMPLES_DIR) != 0) _exit(127);
        std::vector<std::string> env{user, system, "TMPDIR=" + dir_.file("tmp"), "LC_ALL=C", "PATH=/usr/bin:/bin"};
        for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"})
            if (const char* v = std::getenv(keep)) env.push_back(std::string(keep) + "=" + v);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        execve(path.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

Result Sandbox::Wait(pid_t pid, bool readOut) const {
    int status = 0;
    waitpid(pid, &status, 0);
    Result r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (readOut) r.out = testing_support::ReadFile(dir_.file(".stdout"));
    r.err = testing_support::ReadFile(dir_.file(".stderr"));
    return r;
}

Result Sandbox::Tool(const std::vector<std::string>& args) const { return Program(XRDDATA_TOOL_PATH, args); }

Result Sandbox::ToolWith(const std::vector<std::string>& args, const std::string& input,
                         const std::string& output) const {
    return Program(XRDDATA_TOOL_PATH, args, input, output);
}

const Json& Json::operator[](const std::string& key) const {
    auto it = fields.find(key);
    if (it == fields.end()) throw std::runtime_error("no field " + key);
    return it->second;
}

namespace {

Json FromLibrary(const nlohmann::json& j) {
    Json v;
    switch (j.type()) {
        case nlohmann::json::value_t::null: v.kind = Json::Null; break;
        case nlohmann::json::value_t::boolean: v.kind = Json::Bool; v.b = j.get<bool>(); break;
        case nlohmann::json::value_t::number_integer:
        case nlohmann::json::value_t::number_unsigned:
        case nlohmann::json::value_t::number_float: v.kind = Json::Number; v.n = j.get<double>(); break;
        case nlohmann::json::value_t::string: v.kind = Json::String; v.s = j.get<std::string>(); break;
        case nlohmann::json::value_t::array:
            v.kind = Json::Array;
            for (const auto& item : j) v.items.push_back(FromLibrary(item));
            break;
        case nlohmann::json::value_t::object:
            v.kind = Json::Object;
            for (const auto& [key, item] : j.items()) v.fields[key] = FromLibrary(item);
            break;
        default: throw std::runtime_error("not a JSON value");
    }
    return v;
}

}  // namespace

Json ParseJson(const std::string& text) {
    try {
        return FromLibrary(nlohmann::json::parse(text));
    } catch (const nlohmann::json::exception& e) {
        throw std::runtime_error(std::string("not JSON: ") + e.what());
    }
}

std::string XmlProblem(const std::string& t, std::map<std::string, int>* counts) {
    size_t i = 0;
    if (t.compare(0, 5, "<?xml") != 0) return "no XML declaration";
    i = t.find("?>");
    if (i == std::string::npos) return "unterminated declaration";
    i += 2;
    std::vector<std::string> open;
    bool rootSeen = false;
    auto nameChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == ':' || c == '_'; };
    auto checkText = [](const std::string& s) -> std::string {
        for (size_t k = 0; k < s.size(); ++k) {
            if (s[k] == '<') return "raw < in text";
            if (s[k] == '&') {
                const size_t semi = s.find(';', k);
                if (semi == std::string::npos) return "unterminated entity";
                const std::string e = s.substr(k, semi - k + 1);
                if (e != "&amp;" && e != "&lt;" && e != "&gt;" && e != "&quot;" && e != "&apos;")
                    return "unknown entity " + e;
            }
        }
        return "";
    };
    while (i < t.size()) {
        const size_t lt = t.find('<', i);
        const std::string text = t.substr(i, (lt == std::string::npos ? t.size() : lt) - i);
        if (std::string p = checkText(text); !p.empty()) return p;
        if (open.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos) return "text outside the root";
        if (lt == std::string::npos) break;
        i = lt + 1;
        const bool closing = i < t.size() && t[i] == '/';
        if (closing) ++i;
        const size_t nameStart = i;
        while (i < t.size() && nameChar(t[i])) ++i;
        const std::string name = t.substr(nameStart, i - nameStart);
        if (name.empty()) return "element without a name";
        if (closing) {
            if (open.empty() || open.back() != name) return "mismatched </" + name + ">";
            open.pop_back();
            if (i >= t.size() || t[i] != '>') return "bad closing tag " + name;
            ++i;
            continue;
        }
        if (open.empty() && rootSeen) return "second root element " + name;
        rootSeen = true;
        if (counts) ++(*counts)[name];
        std::map<std::string, int> attrs;
        for (;;) {
            while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
            if (i >= t.size()) return "unterminated tag " + name;
            if (t[i] == '>') { ++i; open.push_back(name); break; }
            if (t.compare(i, 2, "/>") == 0) { i += 2; break; }
            const size_t a = i;
            while (i < t.size() && nameChar(t[i])) ++i;
            const std::string attr = t.substr(a, i - a);
            if (attr.empty()) return "bad attribute in " + name;
            if (++attrs[attr] > 1) return "duplicate attribute " + attr;
            if (i + 1 >= t.size() || t[i] != '=' || t[i + 1] != '"') return "unquoted attribute " + attr;
            const size_t end = t.find('"', i + 2);
            if (end == std::string::npos) return "unterminated attribute " + attr;
            if (std::string p = checkText(t.substr(i + 2, end - i - 2)); !p.empty()) return p;
            i = end + 1;
        }
    }
    if (!open.empty()) return "unclosed <" + open.back() + ">";
    if (!rootSeen) return "no root element";
    return "";
}

}  // namespace tool_test
