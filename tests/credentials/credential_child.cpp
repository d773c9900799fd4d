// Helper process for the credential library tests: loads the built library in its
// working directory (where the library then keeps its log), calls g201 or g202 for each
// argument of that name and writes each result as a line of results.txt ("<null>" for
// a null reference; the credentials are ASCII). On Windows, "make-container" instead
// creates the key container "Veltrane" and leaves it, as a process that died would.
#include <jni.h>

#include <fstream>
#include <string>

#include "fake_jni.h"
#include "key_container.h"
#include "loaded_library.h"

int main(int argc, char** argv) {
    using namespace veltrane::testing;
#ifdef _WIN32
    if (argc == 2 && std::string(argv[1]) == "make-container") {
        HCRYPTPROV provider = 0;
        if (!CryptAcquireContextW(&provider, kContainer, MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                                  CRYPT_NEWKEYSET)) {
            return 8;
        }
        CryptReleaseContext(provider, 0);
        return 0;
    }
#endif
    using Method = jstring(JNICALL*)(JNIEnv*, jclass, jstring);
    LoadedLibrary library(BuiltLibrary());
    if (!library.loaded()) return 3;
    std::ofstream results("results.txt", std::ios::binary);
    FakeJvm jvm;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name != "g201" && name != "g202") return 4;
        auto method = library.Function<Method>(
            NativeExportName("Java_com_quorindel_veltrane_J_D_" + name, 12));
        if (method == nullptr) return 5;
        jstring result = method(jvm.env(), nullptr, nullptr);
        if (jvm.exception_pending()) return 6;
        if (result == nullptr) {
            results << "<null>\n";
            continue;
        }
        for (char16_t c : jvm.StringValue(result)) results << static_cast<char>(c);
        results << '\n';
    }
    return results.flush() ? 0 : 7;
}
