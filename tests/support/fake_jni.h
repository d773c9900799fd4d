// A JNI environment for native tests, without a virtual machine.
//
// It implements the calls the library makes, records every call in order, and can be told
// to fail a call the way a real VM does: a null result and a pending exception. It also
// notes each call made while an exception was pending (what -Xcheck:jni reports) and each
// array whose elements were taken and not released. Calls it does not implement abort the
// test with the slot number of the function.
#pragma once

#include <jni.h>

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane::testing {

enum class JniCall {
    kFindClass,
    kNewObjectArray,
    kSetObjectArrayElement,
    kGetObjectArrayElement,
    kGetArrayLength,
    kNewString,
    kGetStringLength,
    kGetStringRegion,
    kNewByteArray,
    kGetByteArrayElements,
    kReleaseByteArrayElements,
    kGetByteArrayRegion,
    kExceptionCheck,
    kExceptionClear,
    kDeleteLocalRef,
};

const char* JniCallName(JniCall call);

class FakeJvm {
  public:
    FakeJvm();
    FakeJvm(const FakeJvm&) = delete;
    FakeJvm& operator=(const FakeJvm&) = delete;

    JNIEnv* env() { return &env_.jni; }
    static FakeJvm& Of(JNIEnv* env);
    // True on a thread that is inside one of the fake's functions: what it allocates
    // stands for the VM's own heap, not the library's.
    static bool InsideCall();

    // --- Failures --------------------------------------------------------------------
    // The nth call (1 = the next one) of that kind from now on fails: it returns null
    // (or nothing) and leaves an exception pending.
    void FailCall(JniCall call, int nth = 1);
    // GetByteArrayElements answers null without raising (a VM that cannot pin or copy).
    void ElementsUnavailable() { elements_unavailable_ = true; }

    // --- What happened ---------------------------------------------------------------
    const std::vector<JniCall>& calls() const { return calls_; }
    int CountOf(JniCall call) const;
    bool exception_pending() const { return exception_pending_; }
    // Calls other than ExceptionCheck, ExceptionClear, DeleteLocalRef and the release
    // functions made while an exception was pending.
    const std::vector<std::string>& violations() const { return violations_; }
    // Arrays whose elements were taken and not yet released.
    int outstanding_elements() const { return static_cast<int>(pins_.size()); }
    // Bytes copied out of arrays by GetByteArrayRegion.
    std::size_t region_bytes() const { return region_bytes_; }
    // Modes given to ReleaseByteArrayElements, in order.
    const std::vector<jint>& release_modes() const { return release_modes_; }
    void ResetRecord();

    // --- Objects ---------------------------------------------------------------------
    jstring MakeString(std::u16string_view text);
    jbyteArray MakeByteArray(const std::vector<std::int8_t>& bytes);
    jclass MakeClass(const std::string& name);
    jobject MakeObject();  // a plain receiver

    bool IsString(jobject object) const;
    std::u16string StringValue(jobject string) const;
    // Elements of an object array; a null entry stays null.
    std::vector<jobject> ArrayElements(jobject array) const;
    std::vector<std::int8_t> ByteArrayValue(jobject array) const;
    std::string ClassName(jobject object) const;  // of a String[] gives its element class
    int object_count() const { return static_cast<int>(objects_.size()); }

  private:
    struct Object {
        enum class Kind { kClass, kString, kObjectArray, kByteArray, kPlain } kind;
        std::string class_name;  // a class's name, or an object array's element class
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
    void Raise();
    Object* Get(jobject object) const;
    jobject Add(Object object);

    Env env_;
    std::deque<Object> objects_;  // stable addresses: a jobject points at its Object
    std::vector<JniCall> calls_;
    std::map<JniCall, std::vector<int>> failures_;  // countdowns, per kind
    std::map<JniCall, int> seen_;
    bool exception_pending_ = false;
    bool elements_unavailable_ = false;
    std::vector<std::string> violations_;
    struct Pin {
        jobject array;
        std::vector<jbyte> copy;  // elements are always handed out as a copy
    };
    std::list<Pin> pins_;
    std::vector<jint> release_modes_;
    std::size_t region_bytes_ = 0;
};

}  // namespace veltrane::testing
