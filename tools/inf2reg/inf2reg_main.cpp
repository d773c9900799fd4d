// veltrane-inf2reg: the registry that Windows setup would write for a voice modem,
// read from the modem driver's INF file and written as a regedit 5 file, so that the
// library on Linux finds the modem's profile (VELTRANE_REGISTRY=OUT.reg).
//
//   veltrane-inf2reg MODEM.inf [--model HARDWARE-ID] [--port DEVICE] [--arch amd64|x86]
//                    [--language LLLL] [--list] -o OUT.reg
//   veltrane-inf2reg --help | --version
//
// Exit status 0 when the file is written (or the models, the help or the version printed),
// 1 when the INF or the output fails (with the file, line and reason), 2 for a bad command
// line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "modem_inf.h"
#include "modem_machine.h"
#include "platform/portable/registry_file.h"
#include "reg_writer.h"

namespace {

using namespace veltrane::inf;

constexpr const char* kUsage =
    "usage: veltrane-inf2reg MODEM.inf [--model HARDWARE-ID] [--port DEVICE]\n"
    "                        [--arch amd64|x86] [--language LLLL] [--list] -o OUT.reg\n"
    "       veltrane-inf2reg --help | --version\n"
    "  --model     the model to install, by hardware or compatible ID (default: the first)\n"
    "  --port      the device the modem is attached to, as the profile's AttachedTo\n"
    "  --arch      the Windows platform whose sections setup would take (default: amd64)\n"
    "  --language  a localised strings section, as four hex digits (0407: German)\n"
    "  --list      print the models for the platform and write nothing\n"
    "  --help      print this text\n"
    "  --version   print the version, which is the library package's\n";

struct Options {
    std::string inf;
    std::string output;
    std::string model;
    std::string port;
    std::string language;
    Arch arch = Arch::kAmd64;
    bool list = false;
};

int Usage(const std::string& why) {
    std::cerr << "veltrane-inf2reg: " << why << "\n" << kUsage;
    return 2;
}

std::optional<int> ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        std::string arch;
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--version") {
            std::cout << "veltrane-inf2reg " << VELTRANE_VERSION << '\n';
            return 0;
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(options.output)) return Usage(arg + " needs a file");
        } else if (arg == "--model") {
            if (!value(options.model) || options.model.empty()) return Usage("--model needs an ID");
        } else if (arg == "--port") {
            if (!value(options.port) || options.port.empty()) return Usage("--port needs a device");
        } else if (arg == "--language") {
            if (!value(options.language) || options.language.size() != 4 ||
                options.language.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                return Usage("--language needs four hex digits, as 0409");
        } else if (arg == "--arch") {
            if (!value(arch) || (arch != "amd64" && arch != "x86"))
                return Usage("--arch is amd64 or x86");
            options.arch = arch == "x86" ? Arch::kX86 : Arch::kAmd64;
        } else if (arg.starts_with("-") && arg != "-") {
            return Usage("unknown option " + arg);
        } else if (options.inf.empty()) {
            options.inf = arg;
        } else {
            return Usage("one INF file only");
        }
    }
    if (options.inf.empty()) return Usage("no INF file named");
    if (options.output.empty() && !options.list) return Usage("no output file (-o OUT.reg)");
    return std::nullopt;
}

void Tell(const std::string& file, std::size_t line, const char* kind, const std::string& text) {
    std::cerr << file;
    if (line) std::cerr << ':' << line;
    std::cerr << ": " << kind << ": " << text << '\n';
}

// Writes beside the target and renames, so a failure leaves nothing behind; the file
// must load in the library's own reader before it takes the target's name.
bool WriteAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        Tell(path, 0, "error", std::string("cannot write: ") + std::strerror(errno));
        return false;
    }
    const auto size = static_cast<ssize_t>(bytes.size());
    const bool written = write(fd, bytes.data(), bytes.size()) == size;
    const int saved = errno;
    const bool closed = close(fd) == 0;
    std::string failure;
    if (!written || !closed) {
        failure = std::string("cannot write: ") + std::strerror(written ? errno : saved);
    } else if (const auto loaded = veltrane::platform::LoadRegistryFile(temporary); loaded.error) {
        failure = "the written file does not load: " +
                  veltrane::platform::DescribeRegistryFileError(*loaded.error);
    } else if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        failure = std::string("cannot write: ") + std::strerror(errno);
    }
    if (failure.empty()) return true;
    std::remove(temporary.c_str());
    Tell(path, 0, "error", failure);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto refused = ParseArguments(argc, argv, options)) return *refused;

    std::ifstream in(options.inf, std::ios::binary);
    if (!in) {
        Tell(options.inf, 0, "error", std::string("cannot read: ") + std::strerror(errno));
        return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    InfNotes notes;
    int status = 0;
    try {
        const ModemInf inf(bytes, options.arch, FromUtf8(options.language), notes);
        if (options.list) {
            for (const ModemModel& model : inf.models())
                std::cout << Utf8(model.ids.front()) << '\t' << Utf8(model.description) << '\t'
                          << Utf8(model.install) << '\n';
        } else {
            const ModemModel& model = inf.Choose(FromUtf8(options.model));
            Installation installation{
                inf, model, inf.Install(model),
                FromUtf8(std::filesystem::path(options.inf).filename().string()),
                FromUtf8(options.port)};
            const auto keys = MachineKeys(std::move(installation), notes);
            if (!WriteAtomically(options.output, RegeditFile(keys))) status = 1;
        }
    } catch (const InfError& error) {
        Tell(options.inf, error.line(), "error", error.what());
        status = 1;
    }
    for (const InfNote& note : notes) Tell(options.inf, note.line, "note", note.text);
    return status;
}
