// Loading a large registry file and finding the modem in it, measured side by side with
// plainly reading the file's bytes.
//
//   registry_load_bench [--repeat N] [--keep DIR] [FILE...]
//
// Without FILE it generates two files of 100,000 keys and 300,000 values (a Wine hive and
// a UTF-16 regedit export) shaped like a device tree, with the modem as the last device
// of the walk. For each file it prints, as medians of N runs: the plain read, the load
// (read, parse, build), the load followed by the modem discovery, the discovery alone, and
// the heap the loaded tree holds and the peak heap while loading, against the file size.
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "modem/modem_strings.h"
#include "platform/portable/registry_file.h"
#include "platform/registry.h"

// Every heap allocation of the program is counted, so the tree's share and the peak while
// loading can be read off exactly.
namespace {
// Counting costs time, so it is on only for the run that measures memory.
bool g_counting = false;
std::size_t g_heap_now = 0;
std::size_t g_heap_peak = 0;

void* CountedAlloc(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    if (g_counting) {
        g_heap_now += malloc_usable_size(p);
        g_heap_peak = std::max(g_heap_peak, g_heap_now);
    }
    return p;
}

void CountedFree(void* p) {
    if (!p) return;
    if (g_counting) g_heap_now -= malloc_usable_size(p);
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) {
    return CountedAlloc(size);
}
void* operator new[](std::size_t size) {
    return CountedAlloc(size);
}
void operator delete(void* p) noexcept {
    CountedFree(p);
}
void operator delete[](void* p) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    CountedFree(p);
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeys = 100000;
constexpr int kValues = 300000;
constexpr int kDevices = 24000;  // 4 keys and 12 values each
constexpr int kFillerValues = 57;
constexpr const char* kModemClass = "{4d36e96d-e325-11ce-bfc1-08002be10318}";

struct DeviceClass {
    const char* name;
    const char* guid;
};
constexpr DeviceClass kClasses[] = {
    {"System", "{4d36e97d-e325-11ce-bfc1-08002be10318}"},
    {"Display", "{4d36e968-e325-11ce-bfc1-08002be10318}"},
    {"MEDIA", "{4d36e96c-e325-11ce-bfc1-08002be10318}"},
    {"HIDClass", "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}"},
    {"Net", "{4d36e972-e325-11ce-bfc1-08002be10318}"},
    {"Ports", "{4d36e978-e325-11ce-bfc1-08002be10318}"},
    {"DiskDrive", "{4d36e967-e325-11ce-bfc1-08002be10318}"},
    {"SoftwareDevice", "{62f9c741-b25a-46ce-b54c-9bccce08b6f2}"},
    {"USB", "{36fc9e60-c465-11cf-8056-444553540000}"},
};
constexpr const char* kBuses[] = {"ACPI", "DISPLAY", "HDAUDIO", "HID", "PCI",
                                  "ROOT", "STORAGE", "SWD",     "USB"};
constexpr const char* kProfileTexts[] = {"AttachedTo", "CompanyName",   "FriendlyName",
                                         "Reset",      "TerminatePlay", "TerminateRecord"};
constexpr const char* kListKeys[] = {"GenerateDigit",
                                     "Hangup",
                                     "Init",
                                     "LineSetPlayFormat",
                                     "LineSetRecordFormat",
                                     "Monitor",
                                     "SpeakerPhoneDisable",
                                     "SpeakerPhoneEnable",
                                     "SpeakerPhoneMute",
                                     "SpeakerPhoneSetVolumeGain",
                                     "SpeakerPhoneUnMute",
                                     "StartPlay",
                                     "StartRecord",
                                     "StopPlay",
                                     "StopRecord",
                                     "VoiceAnswer",
                                     "VoiceDialNumberSetup"};
constexpr const char* kSettings[] = {
    "CallSetupFailTimer", "DialPrefix",        "DialSuffix",        "Prefix",
    "SpeakerMode_Dial",   "SpeakerMode_Off",   "SpeakerMode_On",    "SpeakerMode_Setup",
    "SpeakerVolume_High", "SpeakerVolume_Low", "SpeakerVolume_Med", "Tone"};

std::string Format(const char* format, int a, int b = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// Writes one file in either format; counts what it writes.
class Writer {
  public:
    explicit Writer(bool wine) : wine_(wine) {
        out_ = wine_ ? "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                       "#arch=win32\n"
                     : "Windows Registry Editor Version 5.00\r\n";
    }

    void Key(const std::vector<std::string>& path) {
        ++keys_;
        if (wine_) {
            out_ += "\n[";
            for (std::size_t i = 0; i < path.size(); ++i) out_ += (i ? "\\\\" : "") + path[i];
            out_ += "] 1796582932\n#time=1dd85b2706b15ca\n";
        } else {
            out_ += "\r\n[HKEY_LOCAL_MACHINE";
            for (const std::string& name : path) out_ += "\\" + name;
            out_ += "]\r\n";
        }
    }

    void String(const std::string& name, const std::string& text) {
        Name(name);
        out_ += '"';
        for (char c : text) {
            if (c == '\\' || c == '"') out_ += '\\';
            out_ += c;
        }
        out_ += '"';
        EndLine();
    }

    void Dword(const std::string& name, unsigned value) {
        Name(name);
        out_ += Format("dword:%08x", static_cast<int>(value));
        EndLine();
    }

    void MultiString(const std::string& name, const std::vector<std::string>& texts) {
        if (wine_) {
            Name(name);
            out_ += "str(7):\"";
            for (const std::string& t : texts) {
                for (char c : t) out_ += (c == '\\') ? std::string("\\\\") : std::string(1, c);
                out_ += "\\0";
            }
            out_ += '"';
            EndLine();
            return;
        }
        std::vector<unsigned char> bytes;
        for (const std::string& t : texts) {
            for (char c : t) bytes.insert(bytes.end(), {static_cast<unsigned char>(c), 0});
            bytes.insert(bytes.end(), {0, 0});
        }
        bytes.insert(bytes.end(), {0, 0});
        Hex(name, 7, bytes);
    }

    void Hex(const std::string& name, int type, const std::vector<unsigned char>& bytes) {
        Name(name);
        const std::size_t start = out_.size();
        out_ += type == 3 ? std::string("hex:") : Format("hex(%x):", type);
        std::size_t column = out_.size() - start + name.size() + 3;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            out_ += Format("%02x", bytes[i]);
            if (i + 1 < bytes.size()) {
                out_ += ',';
                column += 3;
                if (column > 76) {
                    out_ += wine_ ? "\\\n  " : "\\\r\n  ";
                    column = 2;
                }
            }
        }
        EndLine();
    }

    int keys() const { return keys_; }
    int values() const { return values_; }

    // The finished file: as it is for Wine; widened to UTF-16LE with a mark for regedit.
    std::string Bytes() const {
        if (wine_) return out_;
        std::string utf16 = "\xFF\xFE";
        utf16.reserve(2 + out_.size() * 2);
        for (char c : out_) utf16.append({c, '\0'});
        return utf16;
    }

  private:
    void Name(const std::string& name) {
        ++values_;
        out_ += name.empty() ? std::string("@=") : '"' + name + "\"=";
    }
    void EndLine() { out_ += wine_ ? "\n" : "\r\n"; }

    bool wine_;
    std::string out_;
    int keys_ = 0;
    int values_ = 0;
};

void WriteDevice(Writer& w, const std::vector<std::string>& device, const std::string& bus, int n,
                 const DeviceClass& cls, const std::string& driver) {
    w.Key(device);
    std::vector<std::string> instance = device;
    instance.push_back(Format("4&%08x&0&%04X", n * 2654435761u, n & 0xFFFF));
    w.Key(instance);
    w.String("Class", cls.name);
    w.String("ClassGUID", cls.guid);
    w.String("Driver", driver);
    w.String("DeviceDesc", "@machine.inf,%device_desc%;Generic " + std::string(cls.name) +
                               " device " + std::to_string(n));
    w.MultiString("HardwareID", {bus + "\\" + device.back(), bus + "\\GENERIC"});
    w.String("Mfg", "(Standard system devices)");
    w.Dword("ConfigFlags", 0);
    std::vector<std::string> parameters = instance;
    parameters.push_back("Device Parameters");
    w.Key(parameters);
    w.String("PortName", "COM" + std::to_string(n % 16 + 1));
    w.Dword("UINumber", static_cast<unsigned>(n));
    w.String("SymbolicName", "\\??\\" + bus + "#" + device.back());
    std::vector<std::string> logconf = instance;
    logconf.push_back("LogConf");
    w.Key(logconf);
    w.Hex("BasicConfigVector", 10, std::vector<unsigned char>(48, static_cast<unsigned char>(n)));
    w.Hex("BootConfig", 8, std::vector<unsigned char>(32, 0x11));
}

std::string Generate(bool wine) {
    Writer w(wine);
    const std::vector<std::string> ccs = {"SYSTEM", "CurrentControlSet"};
    w.Key({"SYSTEM"});
    w.Key(ccs);
    std::vector<std::string> control = ccs;
    control.push_back("Control");
    w.Key(control);
    for (int i = 0; i < kFillerValues; ++i) {
        w.String(Format("Setting%02d", i), "Value of a control setting " + std::to_string(i));
    }
    std::vector<std::string> class_root = control;
    class_root.push_back("Class");
    w.Key(class_root);

    // Driver keys: the modem's, with its whole profile, and the other classes' in turn.
    constexpr int kDriverKeys = kKeys - 43 - 4 * kDevices;
    std::vector<std::string> guids = {kModemClass};
    for (const DeviceClass& c : kClasses) guids.push_back(c.guid);
    std::sort(guids.begin(), guids.end());
    for (const std::string& guid : guids) {
        std::vector<std::string> class_key = class_root;
        class_key.push_back(guid);
        w.Key(class_key);
        w.String("", guid == kModemClass ? "Modems" : "Devices");
        w.String("Class", guid == kModemClass ? "Modem" : "Other");
        if (guid == kModemClass) {
            std::vector<std::string> driver = class_key;
            driver.push_back("0000");
            w.Key(driver);
            for (const char* name : kProfileTexts) w.String(name, std::string("Bench ") + name);
            std::vector<const char*> subkeys(std::begin(kListKeys), std::end(kListKeys));
            subkeys.push_back("Settings");
            std::sort(subkeys.begin(), subkeys.end(), [](const char* a, const char* b) {
                return std::string_view(a) < std::string_view(b);
            });
            for (const char* sub : subkeys) {
                std::vector<std::string> list = driver;
                list.push_back(sub);
                w.Key(list);
                if (std::string_view(sub) == "Settings") {
                    for (const char* name : kSettings) w.String(name, "AT+" + std::string(name));
                } else {
                    w.String("1", "AT+" + std::string(sub) + "<cr>");
                    w.String("2", "AT+V<cr>");
                }
            }
            continue;
        }
        const int per_class = kDriverKeys / 9 + (guid == guids.back() ? kDriverKeys % 9 : 0);
        for (int i = 0; i < per_class; ++i) {
            std::vector<std::string> driver = class_key;
            driver.push_back(Format("%04d", i));
            w.Key(driver);
            w.String("DriverDesc", "Generic device driver " + std::to_string(i));
            w.String("ProviderName", "Microsoft");
            w.String("DriverVersion", "10.0.19041." + std::to_string(i));
        }
    }

    // The device tree, walked in this order; the modem is the last device of the last bus.
    std::vector<std::string> enumeration = ccs;
    enumeration.push_back("Enum");
    w.Key(enumeration);
    int device = 0;
    for (int b = 0; b < 9; ++b) {
        std::vector<std::string> bus = enumeration;
        bus.push_back(kBuses[b]);
        w.Key(bus);
        const int count = kDevices / 9 + (b == 8 ? kDevices % 9 : 0);
        for (int i = 0; i < count; ++i, ++device) {
            std::vector<std::string> id = bus;
            const DeviceClass& cls = kClasses[device % 9];
            std::string driver = std::string(cls.guid) + "\\" + Format("%04d", device % 400);
            if (b == 8 && i == count - 1) {
                id.push_back("VID_FFFF&PID_FFFF");
                WriteDevice(w, id, kBuses[b], device, {"Modem", kModemClass},
                            std::string(kModemClass) + "\\0000");
            } else {
                id.push_back(Format(b == 8 ? "VID_%04X&PID_%04X" : "VEN_%04X&DEV_%04X", i, b));
                WriteDevice(w, id, kBuses[b], device, cls, driver);
            }
        }
    }
    if (w.keys() != kKeys || w.values() != kValues) {
        std::fprintf(stderr, "generator made %d keys and %d values\n", w.keys(), w.values());
        std::exit(2);
    }
    return w.Bytes();
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::filesystem::file_size(path), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// Wall time, and the CPU time of the process (user and system), which a busy machine
// disturbs less.
struct Stamp {
    Clock::time_point wall;
    double cpu_ms;
};

Stamp Now() {
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return {Clock::now(), cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6};
}

struct Series {
    std::vector<double> wall, cpu;
    void Add(const Stamp& from) {
        const Stamp to = Now();
        wall.push_back(std::chrono::duration<double, std::milli>(to.wall - from.wall).count());
        cpu.push_back(to.cpu_ms - from.cpu_ms);
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Measure(const std::filesystem::path& file, int repeat) {
    using veltrane::platform::LoadRegistryFile;
    using veltrane::platform::Registry;
    const double file_size = static_cast<double>(std::filesystem::file_size(file));
    Series read, load, load_discover, discover;
    std::size_t tree_heap = 0, peak_heap = 0;
    {
        // Memory, in a run of its own: what the loaded tree holds, and the peak on the way.
        g_counting = true;
        g_heap_now = g_heap_peak = 0;
        const auto loaded = LoadRegistryFile(file);
        tree_heap = g_heap_now;
        peak_heap = g_heap_peak;
        g_counting = false;
    }
    bool found = false;
    for (int r = 0; r < repeat; ++r) {
        Stamp t0 = Now();
        const std::string bytes = ReadBytes(file);
        read.Add(t0);
        if (bytes.empty()) std::exit(3);

        t0 = Now();
        auto loaded = LoadRegistryFile(file);
        load.Add(t0);
        if (loaded.error) {
            std::fprintf(stderr, "%s\n", DescribeRegistryFileError(*loaded.error).c_str());
            std::exit(4);
        }

        t0 = Now();
        {
            const CModemStrings profile{Registry(loaded.tree)};
            found = !profile.FriendlyName.empty() && profile.Init.size() == 2;
        }
        discover.Add(t0);
        loaded = {};

        t0 = Now();
        {
            auto again = LoadRegistryFile(file);
            const CModemStrings profile{Registry(again.tree)};
            found = found && !profile.Tone.empty();
        }
        load_discover.Add(t0);
    }
    const double rw = Median(read.wall), rc = Median(read.cpu);
    std::printf("%s\n", file.string().c_str());
    std::printf("  file %.1f MB; modem found: %s; medians of %d runs\n", file_size / 1e6,
                found ? "yes" : "NO", repeat);
    std::printf("                     wall ms  x read    cpu ms  x read\n");
    auto row = [&](const char* what, const Series& s) {
        std::printf("  %-16s %9.1f %7.2f %9.1f %7.2f\n", what, Median(s.wall), Median(s.wall) / rw,
                    Median(s.cpu), Median(s.cpu) / rc);
    };
    row("read", read);
    row("load", load);
    row("load+discovery", load_discover);
    row("discovery alone", discover);
    std::printf("  tree heap %.1f MB = %.2fx file\n", tree_heap / 1e6, tree_heap / file_size);
    std::printf("  peak heap while loading %.1f MB = %.2fx file\n", peak_heap / 1e6,
                peak_heap / file_size);
}

}  // namespace

int main(int argc, char** argv) {
    // The library reads its file once per process, into memory fresh from the system.
    // A fixed mmap threshold keeps every run that way: otherwise glibc raises it after
    // the first large free and later reads land in pages already mapped, which makes the
    // plain read several times cheaper from one run to the next.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    int repeat = 5;
    std::filesystem::path keep;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--keep" && i + 1 < argc) {
            keep = argv[++i];
        } else {
            files.emplace_back(arg);
        }
    }
    if (files.empty()) {
        const auto dir = keep.empty()
                             ? std::filesystem::temp_directory_path() / "veltrane-registry-bench"
                             : keep;
        std::filesystem::create_directories(dir);
        for (bool wine : {true, false}) {
            const auto file = dir / (wine ? "bench-wine-system.reg" : "bench-regedit5-utf16.reg");
            std::ofstream(file, std::ios::binary) << Generate(wine);
            files.push_back(file);
        }
        std::printf("generated %d keys and %d values per file in %s\n", kKeys, kValues,
                    dir.string().c_str());
    }
    for (const auto& file : files) Measure(file, repeat);
    return 0;
}
