// The Japanese vocabulary of the sample boards and the texts of the page templates, in EUC-JP.
#pragma once

#include <string>
#include <vector>

namespace boardserver {

/// A top-level category: the ASCII path segment and the Japanese name.
struct CategoryName {
    std::string slug;
    std::string name;
};

/// The fixed texts of the page templates, each in EUC-JP.
struct PageTexts {
    std::string siteTitle;      // Yahoo!掲示板
    std::string boardTop;       // 掲示板トップ
    std::string messageLabel;   // メッセージ
    std::string authorLabel;    // 投稿者
    std::string replyPrefix;    // これは
    std::string replySuffix;    // への返信です
    std::string writeReply;     // 返信を書く
    std::string topicLabel;     // トピック
    std::string countLabel;     // メッセージ数
    std::string latestLabel;    // 最新の投稿
    std::string newTopic;       // 新しいトピックを作成
    std::string firstMessage;   // 最初のメッセージ
    std::string previous;       // 前のメッセージ
    std::string next;           // 次のメッセージ
    std::string notFound;       // メッセージが見つかりません。
    std::string notFoundDetail; // 指定されたメッセージは存在しないか、削除されました。
    std::string noBoard;        // 指定された掲示板は見つかりません。
    std::string categoryLabel;  // カテゴリ
    std::string related;        // 関連カテゴリ
    std::string nickname;       // ニックネーム
    std::string title;          // タイトル
    std::string body;           // 本文
    std::string submit;         // 書き込む
    std::string loginNeeded;    // ログインしてください
    std::string loggedIn;       // ログインしました
    std::string loginFailed;    // IDまたはパスワードが正しくありません
    std::string loggedOut;      // ログアウトしました
    std::string postFailed;     // 書き込みできませんでした
    std::string posted;         // 書き込みました
    std::string profileOf;      // さんのプロフィール
    std::string news;           // ニュース、時事問題 (a category the plug-in drops)
    std::string notFoundPage;   // ページが見つかりません
};

/// The vocabulary, converted once from the readable UTF-8 literals of corpus.cpp.
struct Corpus {
    std::vector<CategoryName> topCategories;
    std::vector<std::string> subcategories;
    std::vector<std::string> atNames;         // names with "@", which the plug-in drops
    std::vector<std::string> boardPatterns;   // "{N}" stands for a noun
    std::vector<std::string> nouns;
    std::vector<std::string> titlePatterns;
    std::vector<std::string> sentences;       // "{N}" a noun, "{K}" a half-width katakana word
    std::vector<std::string> kanaWords;       // half-width katakana
    std::vector<std::string> rareWords;       // with JIS X 0212 characters
    std::vector<std::string> necWords;        // NEC row 13 characters (circled digits and the like)
    std::vector<std::string> entitySentences; // with &amp; &lt; &gt; &quot;
    std::vector<std::string> asciiSentences;
    std::vector<std::string> authorStems;     // ASCII
    PageTexts page;
};

/// Converts the vocabulary on first use. False (and the reason) when the EUC-JP conversion is
/// not available on this system; the server does not start then.
bool PrepareCorpus(std::string *error);

/// The converted vocabulary. PrepareCorpus must have succeeded.
const Corpus &GetCorpus();

} // namespace boardserver
