// How veltrane-inf2reg reads a modem's INF, rule by rule: each row is an INF, the target,
// and the driver key its first (or chosen) model's AddReg sections write, or the error.
#include <gtest/gtest.h>

#include <string>

#include "common/utf16le.h"
#include "modem_inf.h"

namespace veltrane::inf {
namespace {

// A modem INF whose one model runs the AddReg section [R]; a row adds R's entries.
#define HEAD                                           \
    "[Version]\r\nSignature=\"$Windows NT$\"\r\n"      \
    "Class=Modem\r\n[Manufacturer]\r\nQ=M,NTamd64\r\n" \
    "[M.NTamd64]\r\nModem=Inst,HW1\r\n[Inst.NTamd64]\r\nAddReg=R\r\n[R]\r\n"
#define SIGNED "[Version]\nSignature=$Chicago$\nClass=Modem\n"

struct Row {
    const char* what;
    std::string inf;
    const char* expect;     // the driver key's values, "path\name=data; ...", or "error LINE: text"
    const char* note = "";  // a note that must be among those given
    Arch arch = Arch::kAmd64;
    const char* language = "";
    const char* model = "";
};

std::string Render(const RegValue& value) {
    const auto& d = value.data;
    switch (value.type) {
        case kRegSz:
        case kRegExpandSz: {
            std::string text = value.type == kRegSz ? "" : "expand:";
            WideString wide;
            for (std::size_t i = 0; i + 2 < d.size(); i += 2)
                wide += static_cast<char16_t>(d[i] | d[i + 1] << 8);
            return text + Utf8(wide);
        }
        case kRegMultiSz: {
            std::string text = "multi:";
            for (const WideString& entry : MultiStringEntries(d)) text += Utf8(entry) + "|";
            return text;
        }
        case kRegDword:
            return "dword:" + std::to_string(d[0] | d[1] << 8 | d[2] << 16 |
                                             static_cast<unsigned>(d[3]) << 24);
        default: {
            std::string text = "hex(" + std::to_string(value.type) + "):";
            for (std::uint8_t byte : d) text += std::to_string(byte) + " ";
            return text;
        }
    }
}

std::string DriverKeyOf(const Row& row, InfNotes& notes) {
    try {
        const ModemInf inf(row.inf, row.arch, Widen(row.language), notes);
        const DriverKey key = inf.Install(inf.Choose(Widen(row.model)));
        std::string out;
        for (const RegKey& k : key.values.keys()) {
            std::string path;
            for (const WideString& name : k.path) path += Utf8(name) + "\\";
            if (k.values.empty() && !k.path.empty()) out += path + "; ";
            for (const RegValue& v : k.values) out += path + Utf8(v.name) + "=" + Render(v) + "; ";
        }
        return out;
    } catch (const InfError& error) {
        return "error " + std::to_string(error.line()) + ": " + error.what();
    }
}

std::string Utf16File(const std::string& ascii_text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    AppendUtf16Le(bytes, Widen(ascii_text) + u"\u00E9");
    return std::string(bytes.begin(), bytes.end());
}

const Row kRows[] = {
    // Lines: comments, continuation, quotes, blanks, letter case, merged sections.
    {"a ; in quotes is text, outside it starts a comment",
     HEAD "HKR,,A,,\"a;b\" ; a comment, \"quoted\"\r\n", "A=a;b; "},
    {"a backslash at the end continues the entry, also before a comment",
     HEAD "HKR,,A,, \\ ; first half\r\n   \"x\" \r\nHKR,,B,,\"ends\\\"\r\n", "A=x; B=ends\\; "},
    {"\"\" is a quote inside quotes; unquoted text loses its outer blanks only; '=' after the "
     "first field is text",
     HEAD "HKR,,A,,\"say \"\"hi\"\"\"\r\nHKR,,B,,  a  b  \r\nHKR,,C,,S0=0\r\n",
     "A=say \"hi\"; B=a  b; C=S0=0; "},
    {"names ignore letter case, and a section named twice is one section",
     HEAD "HKR,,A,,1\r\n[r]\r\nhkr,,B,,2\r\n[INST.ntAMD64]\r\naddreg=S\r\n[s]\r\nHKR,,C,,3\r\n",
     "A=1; B=2; C=3; "},
    {"ANSI text is Windows-1252", HEAD "HKR,,A,,caf\xE9 \x80\r\n", "A=caf\xC3\xA9 \xE2\x82\xAC; "},
    {"UTF-16LE text with a byte-order mark", Utf16File(HEAD "HKR,,A,,caf"), "A=caf\xC3\xA9; "},
    // Strings.
    {"%key% is replaced inside quotes too, %% is a percent sign, keys ignore case",
     HEAD "HKR,,A,,\"<%s%> 100%%\"\r\n[Strings]\r\nS=v, w\r\n", "A=<v, w> 100%; "},
    {"directory ids stay as written", HEAD "HKR,,A,,%11%\\x.dll\r\n", "A=%11%\\x.dll; ",
     "directory id %11% left as written"},
    {"a key with no string is an error on its line", HEAD "HKR,,A,,%nope%\r\n",
     "error 11: %nope% has no string in [Strings]"},
    {"--language takes the exact strings section",
     HEAD
     "HKR,,A,,%s%\r\n[Strings]\r\ns=en\r\n[Strings.0007]\r\ns=de\r\n[Strings.0807]\r\ns=ch\r\n",
     "A=ch; ", "", Arch::kAmd64, "0807"},
    {"else the one of its primary language",
     HEAD "HKR,,A,,%s%\r\n[Strings]\r\ns=en\r\n[Strings.0007]\r\ns=de\r\n", "A=de; ", "",
     Arch::kAmd64, "0407"},
    {"else [Strings]", HEAD "HKR,,A,,%s%\r\n[Strings]\r\ns=en\r\n[Strings.0007]\r\ns=de\r\n",
     "A=en; ", "", Arch::kAmd64, "040c"},
    // Decorations.
    {"the highest version not above Windows 10 wins",
     SIGNED "[Manufacturer]\nQ=M,NTamd64,NTamd64.10.0...22000,NTamd64.10.0...16299,NTamd64.6.1\n"
            "[M.NTamd64]\nA=I1,HW\n[M.NTamd64.10.0...22000]\nA=I2,HW\n"
            "[M.NTamd64.10.0...16299]\nA=I3,HW\n[M.NTamd64.6.1]\nA=I4,HW\n"
            "[I3.NTamd64]\nAddReg=R\n[R]\nHKR,,A,,3\n",
     "A=3; "},
    {"a server-only decoration does not fit",
     SIGNED "[Manufacturer]\nQ=M,NTamd64.10.0.3,NTamd64\n[M.NTamd64.10.0.3]\nA=I2,HW\n"
            "[M.NTamd64]\nA=I,HW\n[I]\nAddReg=R\n[R]\nHKR,,A,,plain\n",
     "A=plain; ", "install section [I] has no .NTamd64 or .NT form"},
    {"x86 takes NTx86 models and the .NTx86 install section before .NT; .HW sections write no "
     "driver key",
     SIGNED "[Manufacturer]\nQ=M,NTamd64,NTx86\n[M.NTamd64]\nA=I,HW64\n[M.NTx86]\nA=I,HW32\n"
            "[I.NTamd64]\nAddReg=R64\n[I.NT]\nAddReg=Rnt\n[I.NTx86]\nAddReg=R\n[I]\nAddReg=Rplain\n"
            "[I.NTx86.HW]\nAddReg=H\n[R]\nHKR,,A,,x86\n[H]\nHKR,,B,,hw\n",
     "A=x86; ", "", Arch::kX86},
    {"x86 falls back to the undecorated models section; amd64 does not",
     SIGNED "[Manufacturer]\nQ=M,NTamd64.11.0\n[M]\nA=I,HW\n[I]\nAddReg=R\n[R]\nHKR,,A,,1\n",
     "A=1; ", "", Arch::kX86},
    {"amd64 takes no undecorated models section when no decoration fits",
     SIGNED "[Manufacturer]\nQ=M,NTamd64.11.0\n[M]\nA=I,HW\n[I]\nAddReg=R\n[R]\nHKR,,A,,1\n",
     "error 5: no models for amd64"},
    {"an empty decorated models section means not for this platform",
     SIGNED "[Manufacturer]\nQ=M,NTamd64\n[M.NTamd64]\n[M]\nA=I,HW\n[I]\nAddReg=R\n[R]\n",
     "error 5: no models for amd64"},
    {"an INF without decorations is read as it stands",
     SIGNED "[Manufacturer]\nQ\n[Q]\nA=I,HW\n[I]\nAddReg=R\n[R]\nHKR,,A,,1\n", "A=1; ",
     "models section [Q] has no platform decorations"},
    {"--model chooses by hardware or compatible ID",
     SIGNED "[Manufacturer]\nQ=M,NTamd64\n[M.NTamd64]\nA=I,HW1\nB=J,HW2,COMPAT\n[I]\n[J]\n"
            "AddReg=R\n[R]\nHKR,,A,,b\n",
     "A=b; ", "", Arch::kAmd64, "", "compat"},
    {"an unknown --model", HEAD,
     "error 0: no model with the ID HW9 for amd64 (--list shows the models)", "", Arch::kAmd64, "",
     "HW9"},
    // AddReg.
    {"value types by flags, the 32/64-bit key flags ignored",
     HEAD
     "HKR,,S,0x4000,text\r\nHKR,,E,0x20000,%%TEMP%%\r\nHKR,,D,0x10001,0x1c200\r\n"
     "HKR,,N,0x10001,-1\r\nHKR,,T,0x10001,10\r\nHKR,,F,0x10001,6F,B1,17,00\r\nHKR,,B,1,80,0,ff\r\n"
     "HKR,,Q,0x000B0001,01,02\r\nHKR,,M,0x10000,a,\"b c\"\r\nHKR,,@dflt\r\n",
     "S=text; E=expand:%TEMP%; D=dword:115200; N=dword:4294967295; T=dword:10; F=dword:1552751; "
     "B=hex(3):128 0 255 ; Q=hex(11):1 2 ; M=multi:a|b c|; @dflt=; "},
    {"no-clobber, overwrite-only, append without repeats, delete, key only",
     HEAD "HKR,,A,,1\r\nHKR,,A,2,2\r\nHKR,,B,0x20,3\r\nHKR,,M,0x10000,x,y\r\n"
          "HKR,,M,0x10008,Y,z\r\nHKR,Gone,C,,4\r\nHKR,Gone,C,4\r\nHKR,Key,,0x10,ignored\r\n"
          "HKR,Del,D,,5\r\nHKR,Del,,4\r\n",
     "A=1; M=multi:x|y|z|; Gone\\; Key\\; "},
    {"a value written again keeps its first place; HKR's subkeys; other roots skipped",
     HEAD "HKR,Init,1,,a\r\nHKR,Init,2,,b\r\nHKLM,Software\\X,V,,c\r\nHKR,init,1,,A\r\n",
     "Init\\1=A; Init\\2=b; ", "root 'HKLM' skipped"},
    {"sections in AddReg order, then those a Needs entry names",
     SIGNED "[Manufacturer]\nQ=M,NTamd64\n[M.NTamd64]\nA=I,HW\n[I.NTamd64]\nNeeds=N\n"
            "AddReg=R1,R2\nAddReg=R3\n[N]\nAddReg=RN\n[RN]\nHKR,L,4,,n\n[R1]\nHKR,L,1,,a\n"
            "[R2]\nHKR,L,2,,b\n[R3]\nHKR,L,3,,c\n",
     "L\\1=a; L\\2=b; L\\3=c; L\\4=n; "},
    {"a section only an included INF defines is skipped",
     SIGNED "[Manufacturer]\nQ=M,NTamd64\n[M.NTamd64]\nA=I,HW\n[I.NTamd64]\nAddReg=Sys,R\n"
            "Include=mdmgen.inf\nNeeds=Sys.NT\n[R]\nHKR,,A,,1\n",
     "A=1; ", "AddReg section [Sys] comes from an included INF"},
    {"without Include a missing AddReg section is an error",
     HEAD "[Inst.NTamd64]\r\nAddReg=Nowhere\r\n",
     "error 12: AddReg section [Nowhere] does not exist"},
    {"binary data is hex bytes without 0x", HEAD "HKR,,B,1,0x10\r\n",
     "error 11: '0x10' is not a hex byte"},
    // Files that are not a modem's INF.
    {"no signature is no INF", "[Version]\r\nClass=Modem\r\n",
     "error 0: not an INF file: no [Version] Signature of $Windows NT$ or $Chicago$"},
    {"another device class", "[Version]\nSignature=$Windows NT$\nClass=Ports\n",
     "error 3: not a modem's INF: [Version] Class is 'Ports', not Modem"},
    {"an unclosed quote", HEAD "HKR,,A,,\"open\r\n", "error 11: a quoted string is not closed"},
};

TEST(InfReading, EachRuleAsWindowsSetupReadsIt) {
    for (const Row& row : kRows) {
        InfNotes notes;
        EXPECT_EQ(DriverKeyOf(row, notes), row.expect) << row.what;
        bool noted = *row.note == '\0';
        for (const InfNote& note : notes)
            noted = noted || note.text.find(row.note) != std::string::npos;
        EXPECT_TRUE(noted) << row.what << ": no note '" << row.note << "'";
    }
}

}  // namespace
}  // namespace veltrane::inf
