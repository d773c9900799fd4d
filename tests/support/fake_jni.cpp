#include "fake_jni.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <utility>

namespace veltrane::testing {

namespace {

// Every slot of the table starts as a trap; the slot number says which call was missing.
constexpr std::size_t kSlots = sizeof(JNINativeInterface_) / sizeof(void*);
[[noreturn]] void Unimplemented(std::size_t slot) {
    std::fprintf(stderr, "fake JNI: unimplemented JNI function at table slot %zu\n", slot);
    std::abort();
}
template <std::size_t... I>
constexpr auto MakeTraps(std::index_sequence<I...>) {
    return std::array<void (*)(), sizeof...(I)>{+[] { Unimplemented(I); }...};
}
const auto kTraps = MakeTraps(std::make_index_sequence<kSlots>{});

}  // namespace

// The function table. Each entry records its call, then either fails or does the work.
struct FakeJvmCalls {
    struct Inside {
        FakeJvm& vm;
        bool fails;
        Inside(JNIEnv* env, JniCall call)
            : vm(*reinterpret_cast<FakeJvm::Env*>(env)->owner), fails(vm.Enter(call)) {}
    };

    static jclass JNICALL FindClass(JNIEnv* env, const char* name) {
        const Inside in(env, JniCall::kFindClass);
        return in.fails ? nullptr : in.vm.MakeClass(name);
    }
    static jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass element_class,
                                               jobject initial) {
        const Inside in(env, JniCall::kNewObjectArray);
        if (in.fails || length < 0) return nullptr;
        return static_cast<jobjectArray>(
            in.vm.Add({"[" + in.vm.ClassName(element_class),
                       {},
                       std::vector<jobject>(static_cast<std::size_t>(length), initial),
                       {}}));
    }
    static void JNICALL SetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index,
                                              jobject value) {
        const Inside in(env, JniCall::kSetObjectArrayElement);
        if (in.fails) return;
        auto& elements = in.vm.Get(array)->elements;
        if (!in.vm.InArray(index, 1, elements.size(), "SetObjectArrayElement")) return;
        elements[static_cast<std::size_t>(index)] = value;
    }
    static jsize JNICALL GetArrayLength(JNIEnv* env, jarray array) {
        const Inside in(env, JniCall::kGetArrayLength);
        if (in.fails) return 0;
        const FakeJvm::Object* object = in.vm.Get(array);
        return static_cast<jsize>(object->bytes.size() + object->elements.size());
    }
    static jstring JNICALL NewString(JNIEnv* env, const jchar* chars, jsize length) {
        const Inside in(env, JniCall::kNewString);
        if (in.fails || length < 0) return nullptr;
        return in.vm.MakeString(std::u16string_view(reinterpret_cast<const char16_t*>(chars),
                                                    static_cast<std::size_t>(length)));
    }
    static void JNICALL GetByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length,
                                           jbyte* out) {
        const Inside in(env, JniCall::kGetByteArrayRegion);
        if (in.fails) return;
        const auto& bytes = in.vm.Get(array)->bytes;
        if (!in.vm.InArray(start, length, bytes.size(), "GetByteArrayRegion")) return;
        std::memcpy(out, bytes.data() + start, static_cast<std::size_t>(length));
        in.vm.region_bytes_ += static_cast<std::size_t>(length);
    }
    static jboolean JNICALL ExceptionCheck(JNIEnv* env) {
        const Inside in(env, JniCall::kExceptionCheck);
        return in.vm.exception_pending_ ? JNI_TRUE : JNI_FALSE;
    }
    static void JNICALL ExceptionClear(JNIEnv* env) {
        const Inside in(env, JniCall::kExceptionClear);
        in.vm.exception_pending_ = false;
    }
    static void JNICALL DeleteLocalRef(JNIEnv* env, jobject) {
        const Inside in(env, JniCall::kDeleteLocalRef);  // objects live as long as the fake
    }

    static const JNINativeInterface_& Table() {
        static const JNINativeInterface_ table = [] {
            JNINativeInterface_ t;
            static_assert(sizeof(kTraps) == sizeof(t));
            std::memcpy(static_cast<void*>(&t), kTraps.data(), sizeof(t));
            t.FindClass = FindClass;
            t.NewObjectArray = NewObjectArray;
            t.SetObjectArrayElement = SetObjectArrayElement;
            t.GetArrayLength = GetArrayLength;
            t.NewString = NewString;
            t.GetByteArrayRegion = GetByteArrayRegion;
            t.ExceptionCheck = ExceptionCheck;
            t.ExceptionClear = ExceptionClear;
            t.DeleteLocalRef = DeleteLocalRef;
            return t;
        }();
        return table;
    }
};

FakeJvm::FakeJvm() : env_{{&FakeJvmCalls::Table()}, this} {}

void FakeJvm::ResetRecord() {
    calls_.clear();
    violations_.clear();
    region_bytes_ = 0;
}

bool FakeJvm::Enter(JniCall call) {
    calls_.push_back(call);
    if (throws_ == call) {
        throws_.reset();
        exception_pending_ = true;
        throw std::bad_alloc();
    }
    const int count = ++seen_[call];
    if (exception_pending_ && call != JniCall::kExceptionCheck &&
        call != JniCall::kExceptionClear && call != JniCall::kDeleteLocalRef) {
        violations_.push_back("JNI call " + std::to_string(static_cast<int>(call)) +
                              " with an exception pending");
    }
    auto& due = failures_[call];
    const auto it = std::ranges::find(due, count);
    if (it == due.end()) return false;
    due.erase(it);
    exception_pending_ = true;
    return true;
}

bool FakeJvm::InArray(jsize start, jsize length, std::size_t size, const char* call) {
    if (start >= 0 && length >= 0 && static_cast<std::size_t>(start) + length <= size) return true;
    violations_.push_back(std::string(call) + " outside the array");
    exception_pending_ = true;  // ArrayIndexOutOfBoundsException
    return false;
}

FakeJvm::Object* FakeJvm::Get(jobject object) const {
    if (object == nullptr) {
        std::fprintf(stderr, "fake JNI: null reference used as an object\n");
        std::abort();
    }
    return reinterpret_cast<Object*>(object);
}

jobject FakeJvm::Add(Object object) {
    objects_.push_back(std::move(object));
    return reinterpret_cast<jobject>(&objects_.back());
}

std::string FakeJvm::Utf8Value(jobject string) const {
    return Utf8(Get(string)->text);
}

std::string Utf8(std::u16string_view text) {
    const auto bytes = std::filesystem::path(std::u16string(text)).u8string();
    return {bytes.begin(), bytes.end()};
}

}  // namespace veltrane::testing
