#include "signal/log_file.h"

#include "signal/system_error.h"

namespace dtchart::log_file_failure {

void NotFound() { throw SystemError(error_number::FileNotFound, "ファイルが見つかりません。"); }

void FolderNotFound() {
    throw SystemError(error_number::FileNotFound,
                      "ファイルが見つかりません（パスの途中のフォルダがありません）。");
}

void PathThroughFile() {
    throw SystemError(error_number::FileNotFound,
                      "ファイルが見つかりません（パスの途中がフォルダではありません）。");
}

void NoPermission() {
    throw SystemError(error_number::PermissionDenied, "ファイルを開く権限がありません。");
}

void InUse() {
    throw SystemError(error_number::PermissionDenied,
                      "ファイルは他のプログラムが使用中です（読み込みが許可されていません）。");
}

void BadName() { throw SystemError(error_number::BadFileName, "ファイル名が正しくありません。"); }

void NameTooLong() { throw SystemError(error_number::BadFileName, "ファイル名が長すぎます。"); }

void LinkLoop() {
    throw SystemError(error_number::PathFileAccess,
                      "シンボリックリンクが多すぎるか、循環しています。");
}

void NotRegularFile() {
    throw SystemError(error_number::PathFileAccess,
                      "通常のファイルではありません（フォルダやデバイスなどは読み込めません）。");
}

void CannotOpen(const std::string& systemText) {
    throw SystemError(error_number::PathFileAccess, "ファイルを開けません（" + systemText + "）。");
}

void CannotRead(const std::string& systemText) {
    throw SystemError(error_number::DeviceIo,
                      "ファイルの読み込み中にエラーが発生しました（" + systemText + "）。");
}

}  // namespace dtchart::log_file_failure
