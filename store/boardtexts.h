// The board store's own texts, as the Shift_JIS bytes that are shown, stored and compared.
#pragma once

namespace store {

/// Caption of the site's category tab.
inline constexpr const char kCategoryListCaption[] = "\x83\x4a\x83\x65\x83\x53\x83\x8a\x88\xea\x97\x97"; // カテゴリ一覧
/// Caption of the favorites tree's tab and the text of its root node.
inline constexpr const char kFavoritesCaption[] = "\x82\xa8\x8b\x43\x82\xc9\x93\xfc\x82\xe8"; // お気に入り
/// Status-bar kind word of the directory crawl.
inline constexpr const char kCategoryStatusKind[] = "\x83\x4a\x83\x65\x83\x53\x83\x8a"; // カテゴリ
inline constexpr const char kCategoryFetchStartedText[] =
    "\x83\x4a\x83\x65\x83\x53\x83\x8a\x82\xcc\x8e\xe6\x93\xbe\x8a\x4a\x8e\x6e"; // カテゴリの取得開始
inline constexpr const char kCategoryFetchInterruptedText[] =
    "\x83\x4a\x83\x65\x83\x53\x83\x8a\x82\xcc\x8e\xe6\x93\xbe\x82\xaa\x92\x86\x92\x66\x82\xb3\x82\xea\x82\xdc"
    "\x82\xb5\x82\xbd"; // カテゴリの取得が中断されました
/// Follows a category or topic name in the status bar (with its leading blank).
inline constexpr const char kAddedSuffix[] =
    "\x20\x82\xaa\x92\xc7\x89\xc1\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd"; // が追加されました
/// Status-bar kind word of topic lists.
inline constexpr const char kTopicListStatusKind[] =
    "\x83\x58\x83\x8c\x83\x62\x83\x68\x83\x8a\x83\x58\x83\x67"; // スレッドリスト
// スレッドリストの取得開始
inline constexpr const char kTopicListFetchStartedText[] =
    "\x83\x58\x83\x8c\x83\x62\x83\x68\x83\x8a\x83\x58\x83\x67\x82\xcc\x8e\xe6\x93\xbe\x8a\x4a\x8e\x6e";
// スレッドリストの取得終了
inline constexpr const char kTopicListFetchFinishedText[] =
    "\x83\x58\x83\x8c\x83\x62\x83\x68\x83\x8a\x83\x58\x83\x67\x82\xcc\x8e\xe6\x93\xbe\x8f\x49\x97\xb9";
/// The first item of the download-count submenu: no limit.
inline constexpr const char kAllCountsCaption[] = "\x82\xb7\x82\xd7\x82\xc4"; // すべて

/// The list URL of the favorites tab.
inline constexpr const char kFavoritesListUrl[] = ":Favorite";

} // namespace store
