#include "platform/PrivateFile.h"

#include <aclapi.h>
#include <memory>
#include <QDir>
#include <windows.h>

namespace platform {

namespace {

Result<> systemFailure(DWORD code) {
    return Result<>::failure(qt_error_string(static_cast<int>(code)));
}

// The SID of the account this process runs as, in `buffer`.
PSID processAccount(std::unique_ptr<BYTE[]>& buffer) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer = std::make_unique<BYTE[]>(size);
    const bool read = GetTokenInformation(token, TokenUser, buffer.get(), size, &size);
    CloseHandle(token);
    return read ? reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid : nullptr;
}

bool wellKnown(WELL_KNOWN_SID_TYPE type, BYTE (&sid)[SECURITY_MAX_SID_SIZE]) {
    DWORD size = sizeof sid;
    return CreateWellKnownSid(type, nullptr, sid, &size);
}

EXPLICIT_ACCESSW fullControlFor(PSID sid) {
    EXPLICIT_ACCESSW access = {};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return access;
}

} // namespace

Result<> makePrivate(const QString& path) {
    std::unique_ptr<BYTE[]> accountBuffer;
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    const PSID account = processAccount(accountBuffer);
    if (!account || !wellKnown(WinLocalSystemSid, system) ||
        !wellKnown(WinBuiltinAdministratorsSid, administrators))
        return systemFailure(GetLastError());
    EXPLICIT_ACCESSW entries[] = {fullControlFor(account), fullControlFor(system),
                                  fullControlFor(administrators)};
    PACL list = nullptr;
    if (const DWORD made = SetEntriesInAclW(3, entries, nullptr, &list); made != ERROR_SUCCESS)
        return systemFailure(made);
    std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    // Protected: nothing the folder grants (Users may read Program Files) is inherited.
    const DWORD set = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                            nullptr, nullptr, list, nullptr);
    LocalFree(list);
    return set == ERROR_SUCCESS ? Result<>::success() : systemFailure(set);
}

bool othersMayWrite(const QString&) {
    return false;
}

} // namespace platform
