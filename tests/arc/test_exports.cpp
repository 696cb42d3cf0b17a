// Tests of the built library itself: its export table holds exactly what
// qm32.def lists, each with the ordinal of its family (read from the DLL's PE
// export directory on Windows, from the ELF dynamic symbols on POSIX), and
// loading it starts the library or, without a message file, refuses.
#include "qmtest.h"

#include "qm32version.h"

#include <cstring>
#include <map>
#include <set>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <elf.h>
#endif

namespace {

// Every export of the library with its ordinal, by family: ERR 101-110,
// component entry points 111-113, DAA 201-202, CNV 301-306, SEC 401-404,
// UTL 501-515, FTP 601-602, MAIL 701.
const std::map<std::string, int> &knownOrdinals() {
    static const std::map<std::string, int> table = {
        {"ERR_LogError", 101},
        {"ERR_GetDebugLevel", 102},
        {"ERR_GetLastError", 103},
        {"ERR_GetMessageText", 104},
        {"ERR_HandleError", 105},
        {"ERR_HandleServiceError", 106},
        {"ERR_DisplayError", 107},
        {"ERR_GetPanelId", 108},
        {"ERR_GetSeverity", 109},
        {"ERR_DisplayArchMessage", 110},
        {"DllCanUnloadNow", 111},
        {"DllGetClassObject", 112},
        {"DllRegisterServer", 113},
        {"DAA_InvokeService", 201},
        {"DAA_InvokeService_NoThread", 202},
        {"CNV_EncodeStruct", 301},
        {"CNV_DecodeStruct", 302},
        {"CNV_GetEncodeStringLen", 303},
        {"CNV_ConvertASCIIToEBCDIC", 304},
        {"CNV_ConvertEBCDICToASCII", 305},
        {"CNV_Test", 306},
        {"SEC_LoginUser", 401},
        {"SEC_ChangePassword", 402},
        {"SEC_GetUserString", 403},
        {"SEC_GetClientAccess", 404},
        {"UTL_NullTerminate", 501},
        {"UTL_StripFileName", 502},
        {"UTL_GetArchString", 503},
        {"UTL_GetFinancePath", 504},
        {"UTL_GetLocalPath", 505},
        {"UTL_StartApp", 506},
        {"UTL_ActivateApp", 507},
        {"UTL_TerminateApp", 508},
        {"UTL_WaitStart", 509},
        {"UTL_WaitStop", 510},
        {"UTL_WaitMessage", 511},
        {"UTL_SetId", 512},
        {"UTL_GetId", 513},
        {"UTL_Memcmp", 514},
        {"UTL_FileExists", 515},
        {"FTP_PutFile", 601},
        {"FTP_GetFile", 602},
        {"MAIL_SendMessageFile", 701},
    };
    return table;
}

// The "name @ordinal" lines of qm32.def.
std::map<std::string, int> defExports() {
    std::map<std::string, int> out;
    std::istringstream in(qmtest::readFile(QM32_DEF_PATH));
    std::string line;
    while (std::getline(in, line)) {
        std::size_t at = line.find('@');
        if (at == std::string::npos)
            continue;
        std::istringstream name(line.substr(0, at));
        std::string word;
        name >> word;
        out[word] = std::atoi(line.c_str() + at + 1);
    }
    return out;
}

// The exports of the library on this system: on POSIX all but the
// component entry points (Dll...), which exist on Windows only.
std::map<std::string, int> platformExports() {
    std::map<std::string, int> out = defExports();
#ifndef _WIN32
    for (auto it = out.begin(); it != out.end();)
        it = it->first.compare(0, 3, "Dll") == 0 ? out.erase(it) : std::next(it);
#endif
    return out;
}

#ifdef _WIN32
std::string windowsPath(std::string path) {
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path; // a build-tree path seen through wine
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// A function of the loaded DLL by name (through the generic function type,
// which any function pointer type converts from).
template <class F> F proc(HMODULE dll, const char *name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name)));
}

// Export name -> ordinal, read from the PE export directory of a loaded module.
std::map<std::string, int> moduleExports(HMODULE module, std::size_t *unnamed) {
    std::map<std::string, int> out;
    auto *base = reinterpret_cast<const unsigned char *>(module);
    auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto *exp = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + dir.VirtualAddress);
    auto *names = reinterpret_cast<const DWORD *>(base + exp->AddressOfNames);
    auto *ordinals = reinterpret_cast<const WORD *>(base + exp->AddressOfNameOrdinals);
    auto *functions = reinterpret_cast<const DWORD *>(base + exp->AddressOfFunctions);
    std::set<WORD> named;
    for (DWORD i = 0; i < exp->NumberOfNames; ++i) {
        out[reinterpret_cast<const char *>(base + names[i])] =
            static_cast<int>(exp->Base + ordinals[i]);
        named.insert(ordinals[i]);
    }
    *unnamed = 0;
    for (DWORD i = 0; i < exp->NumberOfFunctions; ++i)
        if (functions[i] != 0 && !named.count(static_cast<WORD>(i)))
            ++*unnamed;
    return out;
}
#else
// Names of the functions and data the shared object defines for others,
// read from its ELF dynamic symbol table.
std::set<std::string> elfExports(const std::string &path) {
    std::string image = qmtest::readFile(path);
    std::set<std::string> out;
    if (image.size() < sizeof(Elf64_Ehdr))
        return out;
    const char *base = image.data();
    Elf64_Ehdr eh;
    std::memcpy(&eh, base, sizeof eh);
    auto section = [&](std::size_t i) {
        Elf64_Shdr sh;
        std::memcpy(&sh, base + eh.e_shoff + i * eh.e_shentsize, sizeof sh);
        return sh;
    };
    for (std::size_t i = 0; i < eh.e_shnum; ++i) {
        Elf64_Shdr sh = section(i);
        if (sh.sh_type != SHT_DYNSYM)
            continue;
        Elf64_Shdr strings = section(sh.sh_link);
        for (std::size_t off = 0; off + sizeof(Elf64_Sym) <= sh.sh_size; off += sizeof(Elf64_Sym)) {
            Elf64_Sym sym;
            std::memcpy(&sym, base + sh.sh_offset + off, sizeof sym);
            int bind = ELF64_ST_BIND(sym.st_info);
            if (sym.st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK) ||
                ELF64_ST_VISIBILITY(sym.st_other) != STV_DEFAULT || sym.st_name == 0)
                continue;
            out.insert(base + strings.sh_offset + sym.st_name);
        }
    }
    return out;
}
#endif

// Writes a configuration into a fresh Windows directory and points WINDIR at it.
struct LoadDir {
    explicit LoadDir(bool withMessageFile) {
        oldWindir = qmtest::getEnv("WINDIR");
        dir = qmtest::makeTempDir("qm32load");
        std::string msg = qmtest::join(dir, "msg.ini");
        qmtest::writeFile(msg, "[ERR_Messages]\n30040=Loaded %s\n");
        qmtest::writeFile(qmtest::join(dir, "qm32.ini"),
                          "[32-bit Architecture]\nDebugLevel=1\n" +
                              (withMessageFile ? "MessageFile=" + msg + "\n" : std::string()));
        qmtest::setEnv("WINDIR", dir.c_str());
    }
    ~LoadDir() {
        qmtest::setEnv("WINDIR", oldWindir.empty() ? nullptr : oldWindir.c_str());
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string dir, oldWindir;
};

typedef long(QM32_CALL *LogErrorFn)(ERR_RECORD *);
typedef long(QM32_CALL *LongFn)(void);
typedef int(QM32_CALL *MessageTextFn)(const char *, long, char *, int, const char *, const char *);
typedef long(QM32_CALL *SetIdFn)(const char *, const char *);

} // namespace

TEST(Exports, DefMatchesTheOrdinalsOfEachFamily) {
    std::map<std::string, int> def = defExports();
    ASSERT_FALSE(def.empty());
    std::set<int> seen;
    for (const auto &e : def) {
        auto known = knownOrdinals().find(e.first);
        ASSERT_NE(known, knownOrdinals().end()) << e.first << " is not an export of the library";
        EXPECT_EQ(e.second, known->second) << e.first;
        EXPECT_TRUE(seen.insert(e.second).second) << "ordinal used twice: " << e.second;
    }
}

#ifdef _WIN32

TEST(Exports, DllExportTableHoldsExactlyTheDefOrdinals) {
    LoadDir windir(true);
    HMODULE dll = LoadLibraryA(windowsPath(QM32_LIBRARY_PATH).c_str());
    ASSERT_NE(dll, nullptr) << "LoadLibrary failed, error " << GetLastError();
    std::size_t unnamed = 0;
    std::map<std::string, int> exports = moduleExports(dll, &unnamed);
    EXPECT_EQ(exports, platformExports());
    EXPECT_EQ(unnamed, 0u) << "exports without a name";
    for (const auto &e : defExports()) {
        FARPROC byName = GetProcAddress(dll, e.first.c_str());
        FARPROC byOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(e.second));
        EXPECT_NE(byName, nullptr) << e.first;
        EXPECT_EQ(byName, byOrdinal) << e.first << " @" << e.second;
    }
    FreeLibrary(dll);
}

TEST(Exports, LoadedDllLogsIntoItsWindowsDirectory) {
    LoadDir windir(true);
    HMODULE dll = LoadLibraryA(windowsPath(QM32_LIBRARY_PATH).c_str());
    ASSERT_NE(dll, nullptr) << "LoadLibrary failed, error " << GetLastError();
    auto logError = proc<LogErrorFn>(dll, "ERR_LogError");
    auto lastError = proc<LongFn>(dll, "ERR_GetLastError");
    auto messageText = proc<MessageTextFn>(dll, "ERR_GetMessageText");
    ASSERT_TRUE(logError && lastError && messageText);
    ERR_RECORD r = {};
    r.lErrorNumber = 30040;
    r.ulSeverity = 8;
    r.ulErrorType = 'E';
    std::strcpy(r.szErrorText, "through the DLL");
    EXPECT_EQ(logError(&r), 0);
    EXPECT_EQ(lastError(), 30040);
    char buf[64];
    EXPECT_EQ(messageText(nullptr, 30040, buf, sizeof buf, "DLL", nullptr), 10);
    EXPECT_STREQ(buf, "Loaded DLL");
    FreeLibrary(dll);
    auto entries = qmtest::parseLog(qmtest::readFile(qmtest::join(windir.dir, "finance.err")));
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().get("Error Text"), "through the DLL");
}

typedef HRESULT(STDAPICALLTYPE *HresultFn)(void);
typedef HRESULT(STDAPICALLTYPE *ClassObjectFn)(REFCLSID, REFIID, LPVOID *);
typedef const char *(QM32_CALL *StripFn)(const char *);
typedef int(QM32_CALL *ArchFn)(int, char *, unsigned);
typedef int(QM32_CALL *LocalPathFn)(const char *, char *, int);
typedef long(QM32_CALL *StartFn)(const char *, const char *, int);
typedef long(QM32_CALL *TextFn)(const char *);
typedef int(QM32_CALL *MemcmpFn)(const char *, const char *, int);
typedef int(QM32_CALL *FileFn)(const char *);

template <class F> F byOrdinal(HMODULE dll, int ordinal) {
    return reinterpret_cast<F>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, MAKEINTRESOURCEA(ordinal))));
}

// The component entry points and the utilities, called by their ordinals;
// the version texts come from the DLL's own version resource.
TEST(Exports, EntryPointsAnswerByOrdinal) {
    LoadDir windir(true);
    HMODULE dll = LoadLibraryA(windowsPath(QM32_LIBRARY_PATH).c_str());
    ASSERT_NE(dll, nullptr) << "LoadLibrary failed, error " << GetLastError();
    auto canUnload = byOrdinal<HresultFn>(dll, 111);
    auto classObject = byOrdinal<ClassObjectFn>(dll, 112);
    auto registerServer = byOrdinal<HresultFn>(dll, 113);
    ASSERT_TRUE(canUnload && classObject && registerServer);
    EXPECT_EQ(canUnload(), S_OK);
    const GUID classFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    void *object = &windir;
    EXPECT_EQ(classObject(classFactory, classFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(registerServer(), S_OK);

    auto strip = byOrdinal<StripFn>(dll, 502);
    auto arch = byOrdinal<ArchFn>(dll, 503);
    auto localPath = byOrdinal<LocalPathFn>(dll, 505);
    auto start = byOrdinal<StartFn>(dll, 506);
    auto activate = byOrdinal<TextFn>(dll, 507);
    auto terminate = byOrdinal<TextFn>(dll, 508);
    auto memcmp = byOrdinal<MemcmpFn>(dll, 514);
    auto fileExists = byOrdinal<FileFn>(dll, 515);
    ASSERT_TRUE(strip && arch && localPath && start && activate && terminate && memcmp &&
                fileExists);
    const char *path = "C:\\finance\\zena.exe";
    EXPECT_EQ(strip(path), path + 11);
    char buf[64];
    EXPECT_EQ(arch(3, buf, sizeof buf), static_cast<int>(std::strlen(QM32_VERSION_TEXT)));
    EXPECT_STREQ(buf, QM32_VERSION_TEXT);
    EXPECT_EQ(arch(4, buf, sizeof buf), 19);
    EXPECT_STREQ(buf, "32-bit Architecture");
    EXPECT_EQ(localPath("ZENA", buf, sizeof buf), 0) << "no FinancePath";
    std::string missing = qmtest::join(windir.dir, "missing.exe");
    EXPECT_EQ(start(missing.c_str(), "", 1), 30029);
    EXPECT_EQ(activate("no window has this title 5f3a"), 30033);
    EXPECT_EQ(terminate("C:\\nowhere\\no-such-program-5f3a.exe"), 30033);
    EXPECT_EQ(memcmp("abc", "abd", 3), 2);
    EXPECT_EQ(fileExists(qmtest::join(windir.dir, "qm32.ini").c_str()), 1);
    // The wait window comes from the DLL's own resources.
    auto waitStart = byOrdinal<TextFn>(dll, 509);
    auto waitStop = byOrdinal<LongFn>(dll, 510);
    auto waitMessage = byOrdinal<TextFn>(dll, 511);
    ASSERT_TRUE(waitStart && waitStop && waitMessage);
    EXPECT_EQ(waitMessage("no window yet"), 0);
    EXPECT_EQ(waitStart("Waiting by ordinal"), 0);
    HWND wait = FindWindowA(nullptr, "Waiting by ordinal");
    ASSERT_NE(wait, nullptr);
    EXPECT_NE(GetDlgItem(wait, 1000), nullptr);
    EXPECT_EQ(waitStop(), 0);
    EXPECT_FALSE(IsWindow(wait));
    FreeLibrary(dll);
}

namespace {

struct FoundBox {
    std::string caption, text;
};

// Presses OK on the first message box with the given caption that appears
// within `seconds`, reporting its text. Sets `running` first: the box comes
// from DllMain, and a thread that is still starting then waits for the
// loader lock that the loading thread holds.
void pressOk(const char *caption, int seconds, FoundBox *found, std::atomic<bool> *running) {
    *running = true;
    for (int i = 0; i < seconds * 20; ++i) {
        HWND box = FindWindowA("#32770", caption);
        if (box) {
            char text[512] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            found->caption = caption;
            found->text = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return;
        }
        Sleep(50);
    }
}

} // namespace

TEST(Exports, DllLoadFailsWithoutAMessageFile) {
    LoadDir windir(false);
    FoundBox found;
    std::atomic<bool> running{false};
    std::thread watcher(pressOk, "32-bit Architecture", 20, &found, &running);
    while (!running)
        Sleep(10);
    HMODULE dll = LoadLibraryA(windowsPath(QM32_LIBRARY_PATH).c_str());
    watcher.join();
    EXPECT_EQ(dll, nullptr) << "the load must fail";
    if (dll)
        FreeLibrary(dll);
    if (found.caption.empty()) {
        std::printf("note: no message box seen (no display?)\n");
    } else {
        // The static text of a box shows CR LF as a line break.
        EXPECT_NE(found.text.find("Fatal Error!"), std::string::npos) << found.text;
        EXPECT_NE(found.text.find("Could not locate a required section in QM32.INI"),
                  std::string::npos)
            << found.text;
    }
}

#else

TEST(Exports, SharedObjectExportsExactlyTheDefFunctions) {
    std::set<std::string> expected;
    for (const auto &e : platformExports())
        expected.insert(e.first);
    // Besides them, by name only, the thread messages of POSIX clients.
    std::istringstream posix(qmtest::readFile(QM32_POSIX_EXPORTS_PATH));
    std::string line;
    std::size_t extra = 0;
    while (std::getline(posix, line))
        if (!line.empty() && line[0] != '#') {
            EXPECT_EQ(defExports().count(line), 0u) << line << " has an ordinal in qm32.def";
            expected.insert(line);
            ++extra;
        }
    EXPECT_EQ(extra, 5u);
    EXPECT_EQ(elfExports(QM32_LIBRARY_PATH), expected);
}

TEST(Exports, LoadedSharedObjectLogsIntoItsWindowsDirectory) {
    LoadDir windir(true);
    void *so = dlopen(QM32_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(so, nullptr) << dlerror();
    for (const auto &e : platformExports())
        EXPECT_NE(dlsym(so, e.first.c_str()), nullptr) << e.first;
    auto logError = reinterpret_cast<LogErrorFn>(dlsym(so, "ERR_LogError"));
    auto lastError = reinterpret_cast<LongFn>(dlsym(so, "ERR_GetLastError"));
    auto setId = reinterpret_cast<SetIdFn>(dlsym(so, "UTL_SetId"));
    ASSERT_TRUE(logError && lastError && setId);
    ERR_RECORD r = {};
    r.lErrorNumber = 30040;
    r.ulErrorType = 'I';
    std::strcpy(r.szErrorText, "through the shared object");
    EXPECT_EQ(logError(&r), 0);
    EXPECT_EQ(lastError(), 30040);
    EXPECT_EQ(ERR_GetLastError(), 0) << "the test's own copy is a different library";
    EXPECT_EQ(setId("loaded", "pw"), 0) << "started at load";
    dlclose(so);
    auto entries = qmtest::parseLog(qmtest::readFile(qmtest::join(windir.dir, "finance.err")));
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().get("Error Text"), "through the shared object");
}

// Runs in a child: a load without a message file leaves the library loaded
// but not started.
TEST(ExportsChild, LoadWithoutMessageFile) {
    if (qmtest::getEnv("QMTEST_EXPORTS_CHILD").empty())
        GTEST_SKIP() << "runs as a child of LoadWithoutMessageFileKeepsTheHostRunning";
    void *so = dlopen(QM32_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(so, nullptr) << dlerror();
    auto setId = reinterpret_cast<SetIdFn>(dlsym(so, "UTL_SetId"));
    auto logError = reinterpret_cast<LogErrorFn>(dlsym(so, "ERR_LogError"));
    ASSERT_TRUE(setId && logError);
    EXPECT_EQ(setId("user", "pw"), QM32_ERR_NO_MESSAGEFILE);
    ERR_RECORD r = {};
    r.ulErrorType = 'I';
    EXPECT_EQ(logError(&r), 0) << "the log works without a started library";
    dlclose(so);
}

TEST(Exports, LoadWithoutMessageFileKeepsTheHostRunning) {
    LoadDir windir(false);
    qmtest::Child child("ExportsChild.LoadWithoutMessageFile", {{"QMTEST_EXPORTS_CHILD", "1"}});
    EXPECT_EQ(child.wait(), 0);
}

#endif
