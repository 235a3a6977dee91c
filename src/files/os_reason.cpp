#include "files/os_reason.h"

#include <cerrno>

namespace bq::files {

std::string osReason(int err, Access access) {
  switch (err) {
    case EACCES:
    case EPERM:
      return access == Access::Write ? "書き込みが許可されていません。"
                                     : "読み取りが許可されていません。";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "ディスクの空き容量が足りません。";
    case ENOENT:
      return access == Access::Write ? "フォルダーが見つかりません。"
                                     : "ファイルが見つかりません。";
    case ENOTDIR:
      return "パスの途中にフォルダーではないものがあります。";
    case EROFS:
      return "読み取り専用の場所です。";
    case EISDIR:
      return "フォルダーです。";
    case ENAMETOOLONG:
      return "ファイル名が長すぎます。";
    case ELOOP:
      return "シンボリックリンクが循環しています。";
    case EIO:
      return "ディスクの読み書きでエラーが起きました。";
    case EBUSY:
    case ETXTBSY:
      return "ファイルがほかのプログラムで使用中です。";
    case EMFILE:
    case ENFILE:
      return "開いているファイルが多すぎます。ほかのプログラムを閉じてください。";
    case ENOMEM:
      return "メモリーが足りません。";
    case EFBIG:
      return "ファイルが大きすぎます。";
    default:
      return "システムのエラーが起きました（エラー番号 " + std::to_string(err) + "）。";
  }
}

}  // namespace bq::files
