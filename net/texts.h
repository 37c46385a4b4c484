// The pipeline's own texts, as the Shift_JIS bytes that are shown, stored and compared.
#pragma once

namespace net {

inline constexpr const char kCommunicatingText[] = "\x92\xca\x90\x4d\x92\x86..."; // 通信中...
inline constexpr const char kDoneText[] = "\x8a\xae\x97\xb9";                       // 完了
/// The author, title and text of the message that reports a request given up.
inline constexpr const char kFailureAuthor[] = "System";
inline constexpr const char kRetryErrorText[] =
    "\x83\x8a\x83\x67\x83\x89\x83\x43\x83\x47\x83\x89\x81\x5b"; // リトライエラー
inline constexpr const char kReceiveFailedText[] =
    "\x8e\xf3\x90\x4d\x8f\x88\x97\x9d\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42"; // 受信処理に失敗しました。
inline constexpr const char kCategoryFinishedText[] =
    "\x83\x4a\x83\x65\x83\x53\x83\x8a\x82\xcc\x8e\xe6\x93\xbe\x82\xaa\x8f\x49\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82"
    "\xbd"; // カテゴリの取得が終了しました
inline constexpr const char kLoggedInText[] =
    "\x83\x8d\x83\x4f\x83\x43\x83\x93\x82\xb5\x82\xdc\x82\xb5\x82\xbd"; // ログインしました
inline constexpr const char kLoginFailedText[] =
    "ID\x82\xdc\x82\xbd\x82\xcd\x81\x41\x83\x70\x83\x58\x83\x8f\x81\x5b\x83\x68\x82\xaa\x8a\xd4\x88\xe1\x82\xc1\x82"
    "\xc4\x82\xa2\x82\xdc\x82\xb7"; // IDまたは、パスワードが間違っています
inline constexpr const char kLoggedOutText[] =
    "\x83\x8d\x83\x4f\x83\x41\x83\x45\x83\x67\x82\xb5\x82\xdc\x82\xb5\x82\xbd"; // ログアウトしました
inline constexpr const char kNotLoggedInText[] =
    "\x83\x8d\x83\x4f\x83\x43\x83\x93\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1"; // ログインされていません

/// The texts of notice 10 that are not cookies.
inline constexpr const char kLoginMarker[] = "LOGIN";
inline constexpr const char kLoginErrorMarker[] = "LOGIN_ERR";
inline constexpr const char kLogoutMarker[] = "LOGOUT";

/// The User-Agent every request sends.
inline constexpr const char kUserAgent[] = "Nekomado";

} // namespace net
