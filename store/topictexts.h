// The topic store's own texts, as the Shift_JIS bytes that are shown and compared.
#pragma once

namespace store {

inline constexpr const char kFetchingTitle[] = "\x8e\xe6\x93\xbe\x92\x86"; // 取得中 (fetching)
inline constexpr const char kThreadStatusTitle[] = "\x83\x58\x83\x8c\x83\x62\x83\x68"; // スレッド (thread)
inline constexpr const char kThreadFetchStarted[] =
    "\x83\x58\x83\x8c\x83\x62\x83\x68\x82\xcc\x8e\xe6\x93\xbe\x8a\x4a\x8e\x6e"; // スレッドの取得開始
inline constexpr const char kThreadFetchFinished[] =
    "\x83\x58\x83\x8c\x83\x62\x83\x68\x82\xcc\x8e\xe6\x93\xbe\x8f\x49\x97\xb9"; // スレッドの取得終了
/// After a count of messages that could not be fetched: "件のレスを取得できませんでした".
inline constexpr const char kMessagesNotFetchedText[] =
    "\x8c\x8f\x82\xcc\x83\x8c\x83\x58\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1"
    "\x82\xc5\x82\xb5\x82\xbd";

} // namespace store
