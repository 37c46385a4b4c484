// Shared by the view's tests and benchmarks: a topic page of the shape the default skin builds,
// and waiting that keeps the engine running at full speed.
#pragma once

#include "qtbridge/sjis.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <string>

namespace viewtest {

/// Runs the event loop until the condition holds or the time is up; returns the condition.
/// QTest::qWait and qWaitFor sleep 10 ms between rounds of events, and the engine needs many
/// rounds on the main thread for one page: a load takes ten times as long under them.
inline bool WaitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    poll.start();
    loop.exec();
    return condition();
}

/// Lets the event loop (and the engine) run for a while.
inline void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

/// A page in Shift_JIS of the shape the default skin builds: header, one block per message with
/// its "Res" anchor and "pop:" number link, footer. Messages first to first + count - 1. Each
/// text is about `lines` lines of Japanese; every third message answers the one before it with
/// a reference link.
inline std::string SamplePage(int count, int first = 1, int lines = 4, bool withMeta = true)
{
    using qtbridge::Sjis;
    static const char *const kSentences[] = {
        "今日の相場は朝から値動きが荒く、寄り付き直後に大きく売られました。",
        "決算発表を控えて様子見の雰囲気が強いようです。",
        "表示が崩れるソフトの不具合について、サポートへ問い合わせました。",
        "円高が進むと輸出関連の銘柄には逆風ですね（笑）",
        "①②③の順に手順を確認してください。～以上です。",
        "昨日の書き込みを読んで、なるほどと思いました。",
        "掲示板の皆さん、いつも参考になる情報をありがとうございます。",
        "ＡＢＣ社の新製品は来月発売予定とのこと。",
    };
    constexpr int kSentenceCount = sizeof(kSentences) / sizeof(kSentences[0]);
    const std::string poster = Sjis(" 投稿者：<b><a href=\"http://profiles.yahoo.co.jp/");
    const std::string postedAt = Sjis(" 投稿日時：");
    const std::string base = "http://messages.yahoo.co.jp/bbs?action=m&board=1834573&sid=1834573&tid=a5a2a5f3&mid=";

    std::string page;
    page += "<html lang=ja><head>\r\n";
    page += "<style type=\"text/css\">body {word-break : break-all;}</style>\r\n";
    page += "</head><body>\r\n";
    if (withMeta)
        page += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n";
    page += Sjis("<font face=\"ＭＳ Ｐゴシック\"><dl>\r\n");
    for (int n = first; n < first + count; ++n) {
        const std::string number = std::to_string(n);
        const int answers = (n % 3 == 0 && n > 1) ? n - 1 : 0;
        const std::string name = Sjis("名無しの投資家") + std::to_string(n % 17);
        page += "<dt><a name=\"Res" + number + "\" href=\"pop:" + number + "\">" + number + "</a>";
        page += poster + name + "\">" + name + "</a></b>" + postedAt + "2004/06/" +
                std::to_string(1 + n % 28) + " 12:" + std::to_string(10 + n % 50);
        page += "<dd><a href=\"" + base + std::to_string(answers) + "\">";
        page += answers ? std::to_string(answers) : std::string("<RESNUMBER/>");
        page += "</a> <b>" + Sjis("Re: 今後の見通し") + "</b></b><br><br>";
        if (answers)
            page += "<a href=\"" + base + std::to_string(answers) + "\">&gt;&gt;" + std::to_string(answers) + "</a><br>";
        for (int line = 0; line < lines; ++line) {
            page += Sjis(kSentences[(n * 7 + line) % kSentenceCount]);
            page += "<br>";
        }
        page += "<br><br>\r\n";
    }
    page += "</dl></font></body>\r\n";
    return page;
}

} // namespace viewtest
