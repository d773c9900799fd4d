// A JNI environment without a VM: the calls the library makes, recorded in order, any of
// them made to fail as a VM fails it (null and a pending exception), and each misuse noted
// (what -Xcheck:jni reports). Any other JNI function aborts with its table slot.
#pragma once

#include <jni.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane::testing {

enum class JniCall {
    kFindClass,
    kNewObjectArray,
    kSetObjectArrayElement,
    kGetArrayLength,
    kNewString,
    kGetByteArrayRegion,
    kExceptionCheck,
    kExceptionClear,
    kDeleteLocalRef,
};

class FakeJvm {
  public:
    FakeJvm();
    FakeJvm(const FakeJvm&) = delete;
    FakeJvm& operator=(const FakeJvm&) = delete;

    JNIEnv* env() { return &env_.jni; }

    // The nth call of that kind from now on (1: the next) fails.
    void FailCall(JniCall call, int nth = 1) { failures_[call].push_back(seen_[call] + nth); }
    // The next call of that kind throws std::bad_alloc, an exception pending: memory ran out.
    void ThrowOnCall(JniCall call) { throws_ = call; }

    const std::vector<JniCall>& calls() const { return calls_; }
    int CountOf(JniCall call) const { return static_cast<int>(std::ranges::count(calls_, call)); }
    bool exception_pending() const { return exception_pending_; }
    // Calls (but ExceptionCheck, ExceptionClear, DeleteLocalRef) with an exception pending,
    // and accesses outside an array.
    const std::vector<std::string>& violations() const { return violations_; }
    // Bytes copied out of arrays by GetByteArrayRegion.
    std::size_t region_bytes() const { return region_bytes_; }
    void ResetRecord();

    jstring MakeString(std::u16string_view text) {
        return static_cast<jstring>(Add({"java/lang/String", std::u16string(text), {}, {}}));
    }
    jbyteArray MakeByteArray(const std::vector<std::int8_t>& bytes) {
        return static_cast<jbyteArray>(Add({"[B", {}, {}, bytes}));
    }
    jclass MakeClass(const std::string& name) {
        return static_cast<jclass>(Add({name, {}, {}, {}}));
    }
    std::u16string StringValue(jobject string) const { return Get(string)->text; }
    std::vector<jobject> ArrayElements(jobject array) const { return Get(array)->elements; }
    std::string Utf8Value(jobject string) const;
    std::string ClassName(jobject object) const { return Get(object)->class_name; }

  private:
    struct Object {
        std::string class_name;
        std::u16string text;
        std::vector<jobject> elements;
        std::vector<std::int8_t> bytes;
    };
    struct Env {
        JNIEnv jni;  // first member: a JNIEnv* is also an Env*
        FakeJvm* owner;
    };

    friend struct FakeJvmCalls;
    bool Enter(JniCall call);  // records the call; true when it is to fail
    // Whether [start, start + length) lies in an array of `size`; if not, a violation.
    bool InArray(jsize start, jsize length, std::size_t size, const char* call);
    Object* Get(jobject object) const;
    jobject Add(Object object);

    Env env_;
    std::deque<Object> objects_;  // stable addresses: a jobject points at its Object
    std::vector<JniCall> calls_;
    std::map<JniCall, std::vector<int>> failures_;  // countdowns, per kind
    std::map<JniCall, int> seen_;
    std::optional<JniCall> throws_;
    bool exception_pending_ = false;
    std::vector<std::string> violations_;
    std::size_t region_bytes_ = 0;
};

// UTF-8 of text without surrogates.
std::string Utf8(std::u16string_view text);

}  // namespace veltrane::testing
