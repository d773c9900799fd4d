// Every native method of the built binary at once: the inputs a careless or hostile caller
// can give, and a soak of all of them from eight threads. Each thread has its own JNI
// environment, as in a real VM.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fake_jni.h"
#include "loaded_library.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::LoadedLibrary;
using testing::NativeExportName;

using IntToString = jstring(JNICALL*)(JNIEnv*, jclass, jint);
using StringIntToString = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jint);
using StringToString = jstring(JNICALL*)(JNIEnv*, jclass, jstring);
using IntToArray = jobjectArray(JNICALL*)(JNIEnv*, jclass, jint);
using BytesToFloat = jfloat(JNICALL*)(JNIEnv*, jclass, jbyteArray, jint);

enum class Shape { kIntToString, kStringIntToString, kStringToString, kIntToArray, kBytesToFloat };

struct Method {
    const char* jni_name;
    Shape shape;
    int last_code;  // the highest code the method serves (catalogue), else 0
};

constexpr Method kMethods[] = {
    {"Java_com_quorindel_veltrane_E_g101", Shape::kIntToString, 4},
    {"Java_com_quorindel_veltrane_D_B_g102", Shape::kIntToString, 5},
    {"Java_com_quorindel_veltrane_D_A_g103", Shape::kIntToString, 8},
    {"Java_com_quorindel_veltrane_I_C_g104", Shape::kIntToString, 5},
    {"Java_com_quorindel_veltrane_I_H_g105", Shape::kIntToString, 8},
    {"Java_com_quorindel_veltrane_I_G_g106", Shape::kIntToString, 7},
    {"Java_com_quorindel_veltrane_I_D_g107", Shape::kIntToString, 10},
    {"Java_com_quorindel_veltrane_I_B_g108", Shape::kIntToString, 7},
    {"Java_com_quorindel_veltrane_F_C_g109", Shape::kStringIntToString, 4},
    {"Java_com_quorindel_veltrane_A_B_g110", Shape::kIntToString, 7},
    {"Java_com_quorindel_veltrane_A_A_g111", Shape::kIntToString, 6},
    {"Java_com_quorindel_veltrane_I_F_g112", Shape::kIntToString, 6},
    {"Java_com_quorindel_veltrane_E_B_E_g113", Shape::kIntToString, 5},
    {"Java_com_quorindel_veltrane_J_D_g201", Shape::kStringToString, 0},
    {"Java_com_quorindel_veltrane_J_D_g202", Shape::kStringToString, 0},
    {"Java_com_quorindel_veltrane_J_D_g301", Shape::kIntToString, 0},
    {"Java_com_quorindel_veltrane_E_B_D_g401", Shape::kIntToArray, 0},
    {"Java_com_quorindel_veltrane_E_B_D_g402", Shape::kIntToString, 0},
    {"Java_com_quorindel_veltrane_E_A_A_g501", Shape::kBytesToFloat, 0},
};

int ArgumentBytes(Shape shape) {
    return shape == Shape::kStringIntToString || shape == Shape::kBytesToFloat ? 16 : 12;
}

// What a call gave back, in a form that compares across threads and environments.
struct Outcome {
    enum class Kind { kNull, kString, kArray, kFloat } kind = Kind::kNull;
    std::u16string text;
    std::vector<std::u16string> entries;
    std::uint32_t float_bits = 0;
    bool operator==(const Outcome&) const = default;
};

std::string Describe(const Outcome& o) {
    std::ostringstream out;
    switch (o.kind) {
        case Outcome::Kind::kNull:
            return "null";
        case Outcome::Kind::kString:
            out << "string of " << o.text.size() << " units";
            break;
        case Outcome::Kind::kArray:
            out << "array of " << o.entries.size();
            break;
        case Outcome::Kind::kFloat:
            out << "float bits " << std::hex << o.float_bits;
            break;
    }
    return out.str();
}

// A String argument: null, or the given text.
struct Text {
    bool null = true;
    std::u16string value;
    bool operator==(const Text&) const = default;
};
Text Null() {
    return {};
}
Text Of(std::u16string value) {
    return {false, std::move(value)};
}

// One call's arguments. Strings and arrays are described, and made in the caller's VM.
struct Arguments {
    jint code = 0;
    Text text;
    int array = -1;  // index into the byte buffers; -1: null
};

const std::vector<std::vector<std::int8_t>>& ByteBuffers() {
    static const auto buffers = [] {
        std::vector<std::vector<std::int8_t>> b;
        b.emplace_back();                        // zero length
        b.emplace_back(8, std::int8_t{0});       // silence
        b.emplace_back(8, std::int8_t{-128});    // full scale
        b.emplace_back(2000, std::int8_t{127});  // a sum past 2^24
        std::mt19937 random(7);
        for (int size : {1, 160, 8192}) {
            std::vector<std::int8_t> noise(static_cast<std::size_t>(size));
            for (auto& s : noise) s = static_cast<std::int8_t>(random() & 0xFF);
            b.push_back(std::move(noise));
        }
        b.emplace_back(std::size_t{4} << 20, std::int8_t{-3});  // a large buffer
        return b;
    }();
    return buffers;
}

class Library {
  public:
    Library() : library_(testing::BuiltLibrary()) {}
    bool loaded() const { return library_.loaded(); }
    void* Find(const Method& m) const {
        return library_.Symbol(NativeExportName(m.jni_name, ArgumentBytes(m.shape)));
    }

    Outcome Call(FakeJvm& vm, const Method& m, const Arguments& a) const {
        JNIEnv* env = vm.env();
        jclass receiver = vm.MakeClass("com/quorindel/veltrane/Receiver");
        jstring text = nullptr;
        if (!a.text.null) text = vm.MakeString(a.text.value);
        jbyteArray bytes = a.array >= 0 ? vm.MakeByteArray(ByteBuffers()[a.array]) : nullptr;
        Outcome o;
        jobject result = nullptr;
        void* f = Find(m);
        switch (m.shape) {
            case Shape::kIntToString:
                result = reinterpret_cast<IntToString>(f)(env, receiver, a.code);
                break;
            case Shape::kStringIntToString:
                result = reinterpret_cast<StringIntToString>(f)(env, receiver, text, a.code);
                break;
            case Shape::kStringToString:
                result = reinterpret_cast<StringToString>(f)(env, receiver, text);
                break;
            case Shape::kIntToArray:
                result = reinterpret_cast<IntToArray>(f)(env, receiver, a.code);
                break;
            case Shape::kBytesToFloat:
                o.kind = Outcome::Kind::kFloat;
                o.float_bits = std::bit_cast<std::uint32_t>(
                    reinterpret_cast<BytesToFloat>(f)(env, receiver, bytes, a.code));
                break;
        }
        if (result != nullptr && vm.IsString(result)) {
            o.kind = Outcome::Kind::kString;
            o.text = vm.StringValue(result);
        } else if (result != nullptr) {
            o.kind = Outcome::Kind::kArray;
            for (jobject e : vm.ArrayElements(result)) o.entries.push_back(vm.StringValue(e));
        }
        return o;
    }

  private:
    LoadedLibrary library_;
};

const Library& TheLibrary() {
    static const Library library;
    return library;
}

constexpr jint kHostileCodes[] = {INT_MIN, -1, 0, INT_MAX};

const std::vector<Text>& HostileTexts() {
    static const std::vector<Text> texts = {
        Null(),
        Of(u""),
        Of(u"\xD800"),                          // unpaired high surrogate
        Of(u"a\xDC00z"),                        // unpaired low surrogate
        Of(std::u16string(u"ab\0cd", 5)),       // embedded NUL
        Of(std::u16string(100000, u'\xFFFF')),  // long
    };
    return texts;
}

class WholeLibrary : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(TheLibrary().loaded()); }

    // The call, and the checks every call must pass whatever it returns.
    Outcome Call(const Method& m, const Arguments& a) {
        FakeJvm vm;
        Outcome o = TheLibrary().Call(vm, m, a);
        EXPECT_FALSE(vm.exception_pending()) << m.jni_name;
        EXPECT_TRUE(vm.violations().empty()) << m.jni_name << ": " << vm.violations().front();
        EXPECT_EQ(vm.outstanding_elements(), 0) << m.jni_name;
        return o;
    }
};

TEST_F(WholeLibrary, EveryNativeMethodInTheExportListIsCoveredHere) {
    std::ifstream list(VELTRANE_EXPORT_LIST);
    ASSERT_TRUE(list.good()) << VELTRANE_EXPORT_LIST;
    std::vector<std::string> listed;
    for (std::string kind, name, rest; list >> kind;) {
        std::getline(list, rest);
        if (kind != "jni") continue;
        std::istringstream(rest) >> name;
        listed.push_back(name);
    }
    ASSERT_EQ(listed.size(), std::size(kMethods));
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i], kMethods[i].jni_name);
        EXPECT_NE(TheLibrary().Find(kMethods[i]), nullptr) << kMethods[i].jni_name;
    }
}

TEST_F(WholeLibrary, HostileCodesGiveTheDocumentedResult) {
    for (const Method& m : kMethods) {
        if (m.shape == Shape::kStringToString || m.shape == Shape::kBytesToFloat) continue;
        std::vector<jint> codes(std::begin(kHostileCodes), std::end(kHostileCodes));
        if (m.last_code > 0) codes.push_back(m.last_code + 1);
        for (jint code : codes) {
            Arguments a;
            a.code = code;
            a.text = Of(u"x");
            Outcome o = Call(m, a);
            if (std::string(m.jni_name).ends_with("g301")) {
                EXPECT_EQ(o.text, u"!@#$%") << "code " << code;  // the token table's default
            } else {
                EXPECT_EQ(o.kind, Outcome::Kind::kNull) << m.jni_name << " code " << code;
            }
        }
    }
}

TEST_F(WholeLibrary, StringArgumentsAreIgnoredWhateverTheyHold) {
    for (const Method& m : kMethods) {
        if (m.shape != Shape::kStringToString && m.shape != Shape::kStringIntToString) continue;
        Arguments plain;
        plain.code = 3;
        plain.text = Of(u"x");
        Outcome expected = Call(m, plain);
        ASSERT_EQ(expected.kind, Outcome::Kind::kString) << m.jni_name;
        EXPECT_FALSE(expected.text.empty()) << m.jni_name;
        for (const auto& text : HostileTexts()) {
            Arguments a = plain;
            a.text = text;
            EXPECT_EQ(Call(m, a), expected) << m.jni_name;
        }
    }
}

TEST_F(WholeLibrary, LevelMeterTakesAnyArrayAndCountSafely) {
    const Method& meter = kMethods[18];
    auto level = [&](int array, jint count) {
        Arguments a;
        a.array = array;
        a.code = count;
        Outcome o = Call(meter, a);
        return std::bit_cast<float>(o.float_bits);
    };
    for (jint count : {INT_MIN, -1, 0, 1, INT_MAX}) {
        EXPECT_EQ(level(-1, count), 5.0f) << "null array, count " << count;
        EXPECT_EQ(level(0, count), 5.0f) << "empty array, count " << count;
    }
    const auto& buffers = ByteBuffers();
    for (int i = 1; i < static_cast<int>(buffers.size()); ++i) {
        const jint length = static_cast<jint>(buffers[static_cast<std::size_t>(i)].size());
        const float whole = level(i, length);
        EXPECT_GE(whole, 0.0f);
        EXPECT_LE(whole, 5.0f);
        // Counts beyond the array read no further than its end.
        EXPECT_EQ(level(i, length + 1), whole) << "buffer " << i;
        EXPECT_EQ(level(i, INT_MAX), whole) << "buffer " << i;
        EXPECT_EQ(level(i, -1), 5.0f);
    }
}

TEST_F(WholeLibrary, EightThreadsCallingEverythingAtOnceGetTheSingleThreadedResults) {
    // The cases, each with the result one thread alone gets for it.
    std::vector<std::pair<const Method*, Arguments>> cases;
    for (const Method& m : kMethods) {
        switch (m.shape) {
            case Shape::kBytesToFloat:
                for (int i = -1; i < static_cast<int>(ByteBuffers().size()); ++i) {
                    for (jint count : {-1, 0, 7, 160, INT_MAX}) {
                        cases.push_back({&m, Arguments{count, Null(), i}});
                    }
                }
                break;
            case Shape::kStringToString:
                for (const auto& text : HostileTexts())
                    cases.push_back({&m, Arguments{0, text, -1}});
                break;
            default:
                for (jint code = -1; code <= 37; ++code) {
                    cases.push_back({&m, Arguments{code, Of(u"s"), -1}});
                }
                cases.push_back({&m, Arguments{INT_MIN, Null(), -1}});
                cases.push_back({&m, Arguments{INT_MAX, Null(), -1}});
        }
    }
    std::vector<Outcome> expected;
    for (const auto& [m, a] : cases) expected.push_back(Call(*m, a));

    constexpr int kThreads = 8;
    constexpr int kCallsPerThread = 6000;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::string> first_mismatch(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t + 1));
            std::unique_ptr<FakeJvm> vm;
            for (int i = 0; i < kCallsPerThread; ++i) {
                if (i % 500 == 0) vm = std::make_unique<FakeJvm>();  // bound its memory
                std::size_t pick = random() % cases.size();
                Outcome o = TheLibrary().Call(*vm, *cases[pick].first, cases[pick].second);
                if (o != expected[pick] || vm->exception_pending() || !vm->violations().empty()) {
                    if (mismatches[t]++ == 0) {
                        first_mismatch[t] = std::string(cases[pick].first->jni_name) + ": " +
                                            Describe(o) + " instead of " + Describe(expected[pick]);
                    }
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(mismatches[t], 0) << "thread " << t << ", first: " << first_mismatch[t];
    }
}

}  // namespace
}  // namespace veltrane
