// Error kinds shared by every subsystem and the mapping of errno onto their codes.
#include "Errors.h"

#include <cerrno>

namespace albumon {

std::string InOutErrorText(int code) {
    switch (code) {
        case 2:
            return "ファイルが見つかりません";
        case 3:
            return "不正なファイル名です";
        case 4:
            return "オープンしたファイルが多すぎます";
        case 5:
            return "ファイルへのアクセスが拒否されました";
        case 100:
            return "ファイルの末尾以降を読み込みました";
        case 101:
            return "ディスクがいっぱいです";
        case 106:
            return "入力値が数値ではありません";
        default:
            return "I/O エラー (" + std::to_string(code) + ")";
    }
}

int ErrorCodeFromErrno(int err) {
    switch (err) {
        case ENOENT:
            return 2;
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EROFS:
            return 5;
        case ENOSPC:
        case EDQUOT:
            return 101;
        default:
            return err;
    }
}

EInOutError::EInOutError(int code, const std::string& path)
    : Exception(path.empty() ? InOutErrorText(code) : InOutErrorText(code) + " (" + path + ")"),
      code_(code) {}

void RaiseInOutError(int err, const std::string& path) {
    throw EInOutError(ErrorCodeFromErrno(err), path);
}

std::string FormatMessage(const std::string& pattern, const std::string& argument) {
    std::string text = pattern;
    auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

EFOpenError::EFOpenError(const std::string& path)
    : Exception(FormatMessage("ファイル %s は開けません", path)) {}

EFOpenError::EFOpenError(const std::string& path, const std::string& reason)
    : Exception(FormatMessage("ファイル %s は開けません", path) + "（" + reason + "）") {}

EFCreateError::EFCreateError(const std::string& path)
    : Exception(FormatMessage("ファイル %s を作成できません", path)) {}

}  // namespace albumon
