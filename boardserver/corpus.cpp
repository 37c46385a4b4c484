// The Japanese vocabulary of the sample boards, kept readable here and converted to EUC-JP once.
#include "boardserver/corpus.h"

#include <cassert>
#include <mutex>

#include "boardserver/text.h"

namespace boardserver {

namespace {

// Top-level categories in the service's own order, with their path segments.
const char *const kTopCategories[][2] = {
    {"Business_and_Economy", "ビジネスと経済"},
    {"Computers_and_Internet", "コンピュータとインターネット"},
    {"Entertainment", "エンターテインメント"},
    {"Recreation_and_Sports", "趣味とスポーツ"},
    {"Society_and_Culture", "生活と文化"},
    {"Regional", "地域"},
    {"Health", "健康と医学"},
    {"Science", "自然科学と技術"},
    {"Arts_and_Humanities", "芸術と人文"},
    {"Education", "教育"},
    {"Social_Science", "社会科学"},
    {"Government_and_Politics", "政治"},
};

const char *const kSubcategories[] = {
    "音楽", "映画", "野球", "サッカー", "株式", "投資信託", "料理", "旅行", "猫", "犬", "ゲーム",
    "アニメ", "漫画", "鉄道", "自動車", "釣り", "園芸", "写真", "囲碁・将棋", "天文", "日本史", "語学",
    "受験", "就職・転職", "育児", "ペット", "ファッション", "競馬", "格闘技", "テニス", "ゴルフ", "登山",
    "パソコン", "インターネット", "携帯電話", "家電", "住まい", "健康", "医療", "大学", "外国為替",
    "北海道", "東北", "関東", "中部", "近畿", "中国・四国", "九州・沖縄", "ラーメン", "温泉", "読書",
    "クラシック", "ジャズ", "演歌", "俳句・短歌", "プログラミング", "自転車", "バイク", "模型", "切手",
};

const char *const kAtNames[] = {
    "雑談@ラウンジ",
    "チャット@広場",
    "オフ会@告知板",
    "質問@何でも",
};

const char *const kBoardPatterns[] = {
    "{N}", "{N}全般", "{N}について語ろう", "{N}情報交換", "{N}好きの集い", "初心者のための{N}",
    "{N}なんでも相談", "(株){N}【{D}】", "{N}愛好会", "{N}・{N}",
};

const char *const kNouns[] = {
    "猫", "犬", "株価", "天気", "野球", "映画", "音楽", "料理", "ラーメン", "温泉", "電車", "新幹線",
    "パソコン", "携帯電話", "景気", "為替", "選挙", "試験", "会社", "上司", "趣味", "週末", "旅行",
    "北海道", "沖縄", "京都", "大阪", "東京", "名古屋", "福岡", "仙台", "桜", "紅葉", "雪", "台風",
    "梅雨", "花火", "お祭り", "読書", "漫画", "アニメ", "ゲーム", "将棋", "囲碁", "麻雀", "釣り", "登山",
    "自転車", "自動車", "バイク", "家電", "中古車", "住宅ローン", "年金", "保険", "子育て", "受験",
    "英語", "中国語", "歴史", "恐竜", "宇宙", "星空", "宝くじ", "競馬", "焼き鳥", "お寿司", "カレー",
    "日本酒", "ビール", "お茶", "コーヒー", "お弁当", "味噌汁", "おにぎり", "富士山", "瀬戸内海",
};

const char *const kTitlePatterns[] = {
    "{N}について", "{N}好き集まれ", "{N}の話", "初心者です", "{N}ってどう？", "【{N}】情報交換", "{N}と{N}",
    "{N}&amp;{N}", "&lt;{N}&gt;の疑問", "ｶﾜｲｲ{N}", "{N}について質問です", "最近の{N}", "{N}を語るスレ",
    "\"{N}\"の思い出", "{N} vs {N}", "今日の{N}",
};

const char *const kSentences[] = {
    "{N}が好きです。",
    "最近{N}にはまっています。",
    "{N}について教えてください。",
    "{N}の話をしましょう。",
    "昨日{N}を見に行きました。",
    "{N}と{N}、どちらがいいと思いますか？",
    "それは違うと思います。",
    "なるほど、勉強になります。",
    "同感です！",
    "{K}",
    "{K}！{N}{K}",
    "ありがとうございました。",
    "また来ます。",
    "はじめまして、よろしくお願いします。",
    "{N}の値段が上がっていますね。",
    "今日は{N}日和です。",
    "{N}のことなら任せてください。",
    "明日は{N}に行く予定です♪",
    "{N}より{N}のほうが好きかな…",
    "そうですね、{N}は奥が深いです。",
    "私も{N}を始めて三年になります。",
    "詳しい方、いらっしゃいますか？",
    "週末は{N}三昧でした☆",
    "{N}の季節になりましたね。",
    "ここの皆さんは親切ですね。",
    "{N}についての本を読みました。",
    "うちの近所にも{N}があります。",
    "昔は{N}が大好きでした。",
    "半角ｶﾀｶﾅも混ぜてみます。",
    "全角　スペースも　入ります。",
};

const char *const kKanaWords[] = {
    "ﾜﾛﾀ", "ｶﾜｲｲ", "ﾏｼﾞで", "ｷﾀｰ", "ｽｺﾞｲ", "ﾊﾟｿｺﾝ", "ｵﾂｶﾚ", "ｶﾞﾝﾊﾞﾚ", "ｱﾘｶﾞﾄ", "ﾖﾛｼｸ",
};

// Characters of JIS X 0212, which EUC-JP writes as 0x8F triples and Shift_JIS cannot hold.
const char *const kRareWords[] = {
    "草彅さん", "森鷗外", "丨の字", "纊の字", "鍈の字", "褜の字", "偀の字",
};

const char *const kEntitySentences[] = {
    "{N}&amp;{N}の比較をしました。",
    "&lt;お知らせ&gt; {N}の集まりがあります。",
    "&quot;{N}&quot;という言葉を知っていますか？",
    "A &amp; B &lt; C &gt; D",
    "&lt;b&gt;太字&lt;/b&gt;にはなりません。",
};

const char *const kAsciiSentences[] = {
    "(^_^)", "orz", "www", "Thanks!", "I like {A}.", "See http://www.example.co.jp/ for details.",
    "Price: 1,280 yen", "e-mail: someone@example.jp", "C++ & Java",
};

const char *const kAuthorStems[] = {
    "taro", "hanako", "neko", "inu", "sakura", "yama", "kawa", "hoshi", "tsuki", "sora", "umi",
    "kaze", "ken", "yuki", "mame", "pochi", "tama", "kuro", "shiro", "momo", "kinoko", "takeshi",
    "akiko", "jiro", "saburo", "midori", "aoi", "ringo", "mikan", "daifuku",
};

struct PageLiteral {
    std::string PageTexts::*field;
    const char *utf8;
};

const PageLiteral kPageLiterals[] = {
    {&PageTexts::siteTitle, "Yahoo!掲示板"},
    {&PageTexts::boardTop, "掲示板トップ"},
    {&PageTexts::messageLabel, "メッセージ"},
    {&PageTexts::authorLabel, "投稿者"},
    {&PageTexts::replyPrefix, "これは"},
    {&PageTexts::replySuffix, "への返信です"},
    {&PageTexts::writeReply, "返信を書く"},
    {&PageTexts::topicLabel, "トピック"},
    {&PageTexts::countLabel, "メッセージ数"},
    {&PageTexts::latestLabel, "最新の投稿"},
    {&PageTexts::newTopic, "新しいトピックを作成"},
    {&PageTexts::firstMessage, "最初のメッセージ"},
    {&PageTexts::previous, "前のメッセージ"},
    {&PageTexts::next, "次のメッセージ"},
    {&PageTexts::notFound, "メッセージが見つかりません。"},
    {&PageTexts::notFoundDetail, "指定されたメッセージは存在しないか、削除されました。"},
    {&PageTexts::noBoard, "指定された掲示板は見つかりません。"},
    {&PageTexts::categoryLabel, "カテゴリ"},
    {&PageTexts::related, "関連カテゴリ"},
    {&PageTexts::nickname, "ニックネーム"},
    {&PageTexts::title, "タイトル"},
    {&PageTexts::body, "本文"},
    {&PageTexts::submit, "書き込む"},
    {&PageTexts::loginNeeded, "ログインしてください"},
    {&PageTexts::loggedIn, "ログインしました"},
    {&PageTexts::loginFailed, "IDまたはパスワードが正しくありません"},
    {&PageTexts::loggedOut, "ログアウトしました"},
    {&PageTexts::postFailed, "書き込みできませんでした"},
    {&PageTexts::posted, "書き込みました"},
    {&PageTexts::profileOf, "さんのプロフィール"},
    {&PageTexts::news, "ニュース、時事問題"},
    {&PageTexts::notFoundPage, "ページが見つかりません"},
};

template <std::size_t N>
bool ConvertAll(std::vector<std::string> &out, const char *const (&in)[N], std::string *error)
{
    out.clear();
    for (const char *text : in) {
        auto euc = Utf8ToEucJp(text);
        if (!euc) {
            if (error)
                *error = std::string("cannot convert to EUC-JP: ") + text;
            return false;
        }
        out.push_back(std::move(*euc));
    }
    return true;
}

Corpus g_corpus;
bool g_ready = false;
std::string g_error;

void Build()
{
    Corpus c;
    std::string *error = &g_error;
    for (const auto &entry : kTopCategories) {
        auto name = Utf8ToEucJp(entry[1]);
        if (!name) {
            g_error = std::string("cannot convert to EUC-JP: ") + entry[1];
            return;
        }
        c.topCategories.push_back({entry[0], std::move(*name)});
    }
    if (!ConvertAll(c.subcategories, kSubcategories, error) || !ConvertAll(c.atNames, kAtNames, error) ||
        !ConvertAll(c.boardPatterns, kBoardPatterns, error) || !ConvertAll(c.nouns, kNouns, error) ||
        !ConvertAll(c.titlePatterns, kTitlePatterns, error) || !ConvertAll(c.sentences, kSentences, error) ||
        !ConvertAll(c.kanaWords, kKanaWords, error) || !ConvertAll(c.rareWords, kRareWords, error) ||
        !ConvertAll(c.entitySentences, kEntitySentences, error) ||
        !ConvertAll(c.asciiSentences, kAsciiSentences, error) || !ConvertAll(c.authorStems, kAuthorStems, error))
        return;
    // NEC row 13 has no place in plain EUC-JP tables but the service's pages carried it as row
    // 13 codes, which the plug-in's arithmetic turns into CP932's 0x87 row: ① ② ③ ㈱ №.
    c.necWords = {"\xAD\xA1", "\xAD\xA2", "\xAD\xA3", "\xAD\xED", "\xAD\xE2"};
    for (const auto &literal : kPageLiterals) {
        auto euc = Utf8ToEucJp(literal.utf8);
        if (!euc) {
            g_error = std::string("cannot convert to EUC-JP: ") + literal.utf8;
            return;
        }
        c.page.*literal.field = std::move(*euc);
    }
    g_corpus = std::move(c);
    g_ready = true;
}

std::once_flag g_once;

} // namespace

bool PrepareCorpus(std::string *error)
{
    std::call_once(g_once, Build);
    if (!g_ready && error)
        *error = g_error;
    return g_ready;
}

const Corpus &GetCorpus()
{
    std::call_once(g_once, Build);
    assert(g_ready && "PrepareCorpus must succeed before the corpus is used");
    return g_corpus;
}

} // namespace boardserver
