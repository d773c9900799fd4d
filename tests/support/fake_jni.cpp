#include "fake_jni.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace veltrane::testing {

namespace {

constexpr const char* kCallNames[] = {
    "FindClass",
    "NewObjectArray",
    "SetObjectArrayElement",
    "GetObjectArrayElement",
    "GetArrayLength",
    "NewString",
    "GetStringLength",
    "GetStringRegion",
    "NewByteArray",
    "GetByteArrayElements",
    "ReleaseByteArrayElements",
    "GetByteArrayRegion",
    "ExceptionCheck",
    "ExceptionClear",
    "DeleteLocalRef",
};

bool AllowedWithPendingException(JniCall call) {
    return call == JniCall::kExceptionCheck || call == JniCall::kExceptionClear ||
           call == JniCall::kReleaseByteArrayElements || call == JniCall::kDeleteLocalRef;
}

thread_local int t_callDepth = 0;
struct InsideVm {
    InsideVm() { ++t_callDepth; }
    ~InsideVm() { --t_callDepth; }
    InsideVm(const InsideVm&) = delete;
    InsideVm& operator=(const InsideVm&) = delete;
};

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

const char* JniCallName(JniCall call) {
    return kCallNames[static_cast<int>(call)];
}

// The function table. Each entry records its call, then either fails or does the work.
struct FakeJvmCalls {
    static FakeJvm& Vm(JNIEnv* env) { return FakeJvm::Of(env); }

    static jclass JNICALL FindClass(JNIEnv* env, const char* name) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kFindClass)) return nullptr;
        return vm.MakeClass(name);
    }
    static jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass element_class,
                                               jobject initial) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kNewObjectArray) || length < 0) return nullptr;
        FakeJvm::Object array{FakeJvm::Object::Kind::kObjectArray,
                              vm.ClassName(element_class),
                              {},
                              std::vector<jobject>(static_cast<std::size_t>(length), initial),
                              {}};
        return static_cast<jobjectArray>(vm.Add(std::move(array)));
    }
    static void JNICALL SetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index,
                                              jobject value) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kSetObjectArrayElement)) return;
        auto& elements = vm.Get(array)->elements;
        if (index < 0 || static_cast<std::size_t>(index) >= elements.size()) {
            vm.Raise();  // ArrayIndexOutOfBoundsException
            return;
        }
        elements[static_cast<std::size_t>(index)] = value;
    }
    static jobject JNICALL GetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kGetObjectArrayElement)) return nullptr;
        return vm.Get(array)->elements.at(static_cast<std::size_t>(index));
    }
    static jsize JNICALL GetArrayLength(JNIEnv* env, jarray array) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kGetArrayLength)) return 0;
        const FakeJvm::Object* object = vm.Get(array);
        return static_cast<jsize>(object->kind == FakeJvm::Object::Kind::kByteArray
                                      ? object->bytes.size()
                                      : object->elements.size());
    }
    static jstring JNICALL NewString(JNIEnv* env, const jchar* chars, jsize length) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kNewString) || length < 0) return nullptr;
        return vm.MakeString(std::u16string(reinterpret_cast<const char16_t*>(chars),
                                            static_cast<std::size_t>(length)));
    }
    static jsize JNICALL GetStringLength(JNIEnv* env, jstring string) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kGetStringLength)) return 0;
        return static_cast<jsize>(vm.Get(string)->text.size());
    }
    static void JNICALL GetStringRegion(JNIEnv* env, jstring string, jsize start, jsize length,
                                        jchar* out) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kGetStringRegion)) return;
        std::memcpy(out, vm.Get(string)->text.data() + start, sizeof(jchar) * length);
    }
    static jbyteArray JNICALL NewByteArray(JNIEnv* env, jsize length) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kNewByteArray) || length < 0) return nullptr;
        return vm.MakeByteArray(std::vector<std::int8_t>(static_cast<std::size_t>(length)));
    }
    static jbyte* JNICALL GetByteArrayElements(JNIEnv* env, jbyteArray array, jboolean* is_copy) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kGetByteArrayElements)) return nullptr;
        if (array == nullptr) {  // what a VM does with a null array: NullPointerException
            vm.Raise();
            return nullptr;
        }
        if (vm.elements_unavailable_) return nullptr;
        if (is_copy != nullptr) *is_copy = JNI_TRUE;
        const auto& bytes = vm.Get(array)->bytes;
        vm.pins_.push_back({array, std::vector<jbyte>(bytes.begin(), bytes.end())});
        // A zero-length array still gets a distinct non-null pointer.
        vm.pins_.back().copy.reserve(1);
        return vm.pins_.back().copy.data();
    }
    static void JNICALL ReleaseByteArrayElements(JNIEnv* env, jbyteArray array, jbyte* elements,
                                                 jint mode) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        vm.release_modes_.push_back(mode);
        if (vm.Enter(JniCall::kReleaseByteArrayElements)) return;
        for (auto it = vm.pins_.begin(); it != vm.pins_.end(); ++it) {
            if (it->copy.data() != elements || it->array != array) continue;
            if (mode == 0 || mode == JNI_COMMIT) {
                auto& bytes = vm.Get(array)->bytes;
                bytes.assign(it->copy.begin(), it->copy.end());
            }
            if (mode != JNI_COMMIT) vm.pins_.erase(it);
            return;
        }
        vm.violations_.push_back("ReleaseByteArrayElements of elements that were not taken");
    }
    static void JNICALL GetByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length,
                                           jbyte* out) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        if (vm.Enter(JniCall::kGetByteArrayRegion)) return;
        if (array == nullptr) {  // NullPointerException
            vm.Raise();
            return;
        }
        const auto& bytes = vm.Get(array)->bytes;
        if (start < 0 || length < 0 || static_cast<std::size_t>(start) + length > bytes.size()) {
            vm.violations_.push_back("GetByteArrayRegion outside the array");
            vm.Raise();  // ArrayIndexOutOfBoundsException
            return;
        }
        std::memcpy(out, bytes.data() + start, static_cast<std::size_t>(length));
        vm.region_bytes_ += static_cast<std::size_t>(length);
    }
    static jboolean JNICALL ExceptionCheck(JNIEnv* env) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        vm.Enter(JniCall::kExceptionCheck);
        return vm.exception_pending_ ? JNI_TRUE : JNI_FALSE;
    }
    static void JNICALL ExceptionClear(JNIEnv* env) {
        const InsideVm inside;
        FakeJvm& vm = Vm(env);
        vm.Enter(JniCall::kExceptionClear);
        vm.exception_pending_ = false;
    }

    static void JNICALL DeleteLocalRef(JNIEnv* env, jobject) {
        const InsideVm inside;
        Vm(env).Enter(JniCall::kDeleteLocalRef);  // objects live as long as the fake
    }

    static const JNINativeInterface_& Table() {
        static const JNINativeInterface_ table = [] {
            JNINativeInterface_ t;
            static_assert(sizeof(kTraps) == sizeof(t));
            std::memcpy(static_cast<void*>(&t), kTraps.data(), sizeof(t));
            t.FindClass = FindClass;
            t.NewObjectArray = NewObjectArray;
            t.SetObjectArrayElement = SetObjectArrayElement;
            t.GetObjectArrayElement = GetObjectArrayElement;
            t.GetArrayLength = GetArrayLength;
            t.NewString = NewString;
            t.GetStringLength = GetStringLength;
            t.GetStringRegion = GetStringRegion;
            t.NewByteArray = NewByteArray;
            t.GetByteArrayElements = GetByteArrayElements;
            t.ReleaseByteArrayElements = ReleaseByteArrayElements;
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

bool FakeJvm::InsideCall() {
    return t_callDepth > 0;
}

FakeJvm& FakeJvm::Of(JNIEnv* env) {
    return *reinterpret_cast<Env*>(env)->owner;
}

void FakeJvm::FailCall(JniCall call, int nth) {
    failures_[call].push_back(seen_[call] + nth);
}

int FakeJvm::CountOf(JniCall call) const {
    int n = 0;
    for (JniCall c : calls_) n += c == call ? 1 : 0;
    return n;
}

void FakeJvm::ResetRecord() {
    calls_.clear();
    violations_.clear();
    release_modes_.clear();
    region_bytes_ = 0;
}

bool FakeJvm::Enter(JniCall call) {
    calls_.push_back(call);
    int count = ++seen_[call];
    if (exception_pending_ && !AllowedWithPendingException(call)) {
        violations_.push_back(std::string(JniCallName(call)) + " called with an exception pending");
    }
    auto& due = failures_[call];
    for (auto it = due.begin(); it != due.end(); ++it) {
        if (*it == count) {
            due.erase(it);
            Raise();
            return true;
        }
    }
    return false;
}

void FakeJvm::Raise() {
    exception_pending_ = true;
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

jstring FakeJvm::MakeString(std::u16string_view text) {
    return static_cast<jstring>(
        Add({Object::Kind::kString, "java/lang/String", std::u16string(text), {}, {}}));
}

jbyteArray FakeJvm::MakeByteArray(const std::vector<std::int8_t>& bytes) {
    return static_cast<jbyteArray>(Add({Object::Kind::kByteArray, "[B", {}, {}, bytes}));
}

jclass FakeJvm::MakeClass(const std::string& name) {
    return static_cast<jclass>(Add({Object::Kind::kClass, name, {}, {}, {}}));
}

jobject FakeJvm::MakeObject() {
    return Add({Object::Kind::kPlain, "java/lang/Object", {}, {}, {}});
}

bool FakeJvm::IsString(jobject object) const {
    return object != nullptr && Get(object)->kind == Object::Kind::kString;
}

std::u16string FakeJvm::StringValue(jobject string) const {
    return Get(string)->text;
}

std::vector<jobject> FakeJvm::ArrayElements(jobject array) const {
    return Get(array)->elements;
}

std::vector<std::int8_t> FakeJvm::ByteArrayValue(jobject array) const {
    return Get(array)->bytes;
}

std::string FakeJvm::ClassName(jobject object) const {
    return Get(object)->class_name;
}

}  // namespace veltrane::testing
