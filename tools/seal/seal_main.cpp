// veltrane-seal: enciphers a database user name and password under a pass phrase and
// writes the credentials file that the library's build embeds.
//
//   veltrane-seal [--user NAME] [--password PASSWORD] [--pass-phrase PHRASE] [--output FILE]
//
// A value not given on the command line is asked for on the terminal (the password and
// the pass phrase without echo). Without --output the file goes to standard output.
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "seal_values.h"

namespace {

constexpr const char* kUsage =
    "usage: veltrane-seal [--user NAME] [--password PASSWORD] [--pass-phrase PHRASE]\n"
    "                     [--output FILE]\n"
    "  NAME and PASSWORD: 4 to 7 printable ASCII characters each\n"
    "  PHRASE: exactly 39 printable ASCII characters\n";

// Turns terminal echo off for as long as it lives (when standard input is a terminal).
class EchoOff {
  public:
    EchoOff() {
        on_terminal_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (!on_terminal_) return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~EchoOff() {
        if (!on_terminal_) return;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
        std::cerr << '\n';
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    termios saved_{};
    bool on_terminal_ = false;
};

bool Ask(const char* prompt, bool secret, std::string& value) {
    std::cerr << prompt << ": " << std::flush;
    if (secret) {
        EchoOff quiet;
        return static_cast<bool>(std::getline(std::cin, value));
    }
    return static_cast<bool>(std::getline(std::cin, value));
}

int Refuse(const std::string& why) {
    std::cerr << "veltrane-seal: " << why << '\n';
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::map<std::string, std::string> options = {{"--user", "user name"},
                                                        {"--password", "password"},
                                                        {"--pass-phrase", "pass phrase"},
                                                        {"--output", "output"}};
    std::map<std::string, std::string> given;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (options.count(arg) == 0 || i + 1 >= argc) {
            std::cerr << kUsage;
            return Refuse(options.count(arg) == 0 ? "unknown argument " + arg
                                                  : arg + " needs a value");
        }
        given[arg] = argv[++i];
    }

    for (const char* name : {"--user", "--password", "--pass-phrase"}) {
        if (given.count(name) != 0) continue;
        std::string value;
        std::string prompt = options.at(name);
        prompt[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(prompt[0])));
        if (!Ask(prompt.c_str(), std::string(name) != "--user", value)) {
            return Refuse("no " + options.at(name) + " given");
        }
        given[name] = value;
    }

    for (const std::string& why :
         {veltrane::seal::CheckCredential("the user name", given["--user"]),
          veltrane::seal::CheckCredential("the password", given["--password"]),
          veltrane::seal::CheckPassPhrase(given["--pass-phrase"])}) {
        if (!why.empty()) return Refuse(why);
    }

    auto file =
        veltrane::seal::SealedFile(given["--user"], given["--password"], given["--pass-phrase"]);
    if (!file) {
        std::cerr << "veltrane-seal: the cryptographic library failed\n";
        return 1;
    }
    if (given.count("--output") == 0) {
        std::cout << *file;
        return std::cout.flush() ? 0 : 1;
    }
    std::ofstream out(given["--output"], std::ios::binary | std::ios::trunc);
    out << *file;
    out.close();
    if (!out) {
        std::cerr << "veltrane-seal: cannot write " << given["--output"] << '\n';
        return 1;
    }
    return 0;
}
