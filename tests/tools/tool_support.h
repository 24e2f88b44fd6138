// Helpers of the tool tests: running the built xrddata binary in a sandbox (its own settings store, C locale),
// the --json output parsed by the JSON library, and an XML well-formedness check for the SVG plots.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/support.h"

namespace tool_test {

struct Result {
    int status = -1;
    std::string out, err;
};

// A temporary folder with its own user and system settings stores and its own TMPDIR (file("tmp")); runs the tool
// in it.
class Sandbox {
public:
    Sandbox();
    // Runs the tool with args; the working directory is the project's examples folder.
    Result Tool(const std::vector<std::string>& args) const;
    // The same with standard input read from `input` and, when `output` is given, standard output written there
    // (Result::out is then empty).
    Result ToolWith(const std::vector<std::string>& args, const std::string& input, const std::string& output = "") const;
    // Runs any program with args and the sandbox's environment.
    Result Program(const std::string& path, const std::vector<std::string>& args, const std::string& input = "/dev/null",
                   const std::string& output = "") const;
    // Program without waiting: the child's process id, for Wait (readOut: standard output went to the sandbox's
    // own file, as with no `output`).
    pid_t Start(const std::string& path, const std::vector<std::string>& args, const std::string& input = "/dev/null",
                const std::string& output = "") const;
    Result Wait(pid_t pid, bool readOut = true) const;
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string userStore() const { return dir_.file("user.reg"); }

private:
    testing_support::TempDir dir_;
};

std::string ExampleFile();  // absolute path of examples/corundum.raw

// A parsed JSON value.
struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool b = false;
    double n = 0.0;
    std::string s;
    std::vector<Json> items;
    std::map<std::string, Json> fields;
    const Json& operator[](const std::string& key) const;
    const Json& operator[](size_t i) const { return items.at(i); }
};
// Parses the whole text (surrounding white space allowed); throws std::runtime_error when it is not JSON.
Json ParseJson(const std::string& text);

// Empty when text is a well-formed XML document (declaration, one root, matched tags, quoted attributes, known
// entities); otherwise what is wrong. Elements met are counted by name into *counts when given.
std::string XmlProblem(const std::string& text, std::map<std::string, int>* counts = nullptr);

}  // namespace tool_test
