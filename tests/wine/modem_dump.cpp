// Helper process: opens the built library (its discovery runs at load, on whatever registry
// this process sees), asks g401/g402 for every field through a fake JNI environment and
// writes the answers to the file named by its argument.
#include <jni.h>

#include <string>

#include "fake_jni.h"
#include "loaded_library.h"
#include "profile_dump.h"

using ListQuery = jobjectArray(JNICALL*)(JNIEnv*, jclass, jint);
using TextQuery = jstring(JNICALL*)(JNIEnv*, jclass, jint);

int main(int argc, char** argv) {
    using namespace veltrane::testing;
    if (argc != 2) return 4;
    LoadedLibrary library(BuiltLibrary());
    if (!library.loaded()) return 3;
    auto g401 =
        library.Function<ListQuery>(NativeExportName("Java_com_quorindel_veltrane_E_B_D_g401", 12));
    auto g402 =
        library.Function<TextQuery>(NativeExportName("Java_com_quorindel_veltrane_E_B_D_g402", 12));
    if (g401 == nullptr || g402 == nullptr) return 5;

    FakeJvm vm;
    ProfileDump dump;
    for (const FieldCode& field : kFieldCodes) {
        DumpedField dumped{field.is_list, false, {}};
        if (field.is_list) {
            jobjectArray array = g401(vm.env(), nullptr, field.code);
            dumped.is_null = array == nullptr;
            if (array != nullptr) {
                for (jobject entry : vm.ArrayElements(array)) {
                    dumped.entries.push_back(entry == nullptr ? u"<null>" : vm.StringValue(entry));
                }
            }
        } else {
            jstring text = g402(vm.env(), nullptr, field.code);
            dumped.is_null = text == nullptr;
            if (text != nullptr) dumped.entries.push_back(vm.StringValue(text));
        }
        dump[field.name] = dumped;
    }
    if (vm.exception_pending() || !vm.violations().empty()) return 6;
    WriteDump(dump, argv[1]);
    return 0;
}
