// Texts of the marks, the log deletion and the reply tree, as the Shift_JIS bytes that are shown.
#pragma once

namespace store {

/// Follows a topic's title in its tree tab's caption.
inline constexpr const char kTreeCaptionSuffix[] = "\x3a\x83\x63\x83\x8a\x81\x5b"; // :ツリー
/// Follows a tree tab's caption while its tree is built.
inline constexpr const char kTreeBuildingSuffix[] = "\x28\x8f\x88\x97\x9d\x92\x86\x2e\x2e\x2e\x29"; // (処理中...)
/// Follows a tree tab's caption when its tree could not be built.
inline constexpr const char kTreeFailedSuffix[] =
    "\x28\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x29"; // (失敗しました)

/// The lines of the log deletion's question (thread:, BOARD:, TID:, then "this topic's log will
/// be deleted").
inline constexpr const char kDeleteThreadLabel[] = "\x83\x58\x83\x8c\x83\x62\x83\x68\x81\x46"; // スレッド：
inline constexpr const char kDeleteBoardLabel[] = "\x42\x4f\x41\x52\x44\x81\x46";              // BOARD：
inline constexpr const char kDeleteTopicLabel[] = "\x54\x49\x44\x81\x46";                      // TID：
inline constexpr const char kDeleteQuestionEnd[] =
    "\x82\xb1\x82\xcc\x83\x58\x83\x8c\x83\x62\x83\x68\x82\xcc\x83\x8d\x83\x4f\x82\xf0\x8d\xed\x8f\x9c\x82\xb5"
    "\x82\xdc\x82\xb7\x81\x42"; // このスレッドのログを削除します。

} // namespace store
