// The command line of nk-boardserver.
#include "boardserver/options.h"

#include <algorithm>

#include "boardserver/faults.h"
#include "boardserver/text.h"

namespace boardserver {

namespace {

// Links on one directory page: the plug-in reads 150.
constexpr long long kMaxLinksPerPage = 150;
constexpr long long kMaxCategories = 20000;
constexpr long long kMaxTopics = 2000000;

bool ValidHost(std::string &host)
{
    if (host.empty() || host.size() > 200)
        return false;
    for (char &c : host) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-'))
            return false;
    }
    return true;
}

} // namespace

std::string UsageText()
{
    const DatasetOptions d;
    const Endpoints e;
    const Account demo = DemoAccount();
    std::string nicks;
    for (const std::string &n : demo.nicknames)
        nicks += (nicks.empty() ? "" : ",") + n;
    std::string text;
    text += "Usage: nk-boardserver [options]\n"
            "\n"
            "A stand-in for the message-board service on 127.0.0.1: the board directory, topic\n"
            "lists, message pages, login, the post form and posts, as EUC-JP pages. Requests may\n"
            "name any endpoint host in an absolute URL (as to a proxy) or give a plain path.\n"
            "The first line on standard output is the port it listens on.\n"
            "\n"
            "  --port N              port on 127.0.0.1; 0 picks a free one (default 0)\n"
            "  --data DIR            keeps posts and new topics here (default: a temporary\n"
            "                        directory, removed at exit)\n"
            "  --log                 one line per request on standard error\n"
            "  --max-connections N   connections served at once (default 4096)\n"
            "  --vary-markup SEED    write the pages the plug-in reads with markup varied, per\n"
            "                        page from SEED and the URL, only where the parsers leave\n"
            "                        bytes free (line ends, quoting, tag case, comments, ...)\n"
            "\n"
            "Sample data (the same values always give the same boards):\n";
    text += "  --seed N              (default " + std::to_string(d.seed) + ")\n";
    text += "  --categories N        top-level categories (default " + std::to_string(d.categories) + ")\n";
    text += "  --depth N             category levels below the root page (default " + std::to_string(d.depth) + ")\n";
    text += "  --subcategories N     child categories per category (default " + std::to_string(d.subcategories) + ")\n";
    text += "  --boards N            boards per category (default " + std::to_string(d.boards) + ")\n";
    text += "  --topics N            topics per board (default " + std::to_string(d.topics) + ")\n";
    text += "  --messages N          mean messages per topic, spread from half to 1.5 times\n"
            "                        (default " + std::to_string(d.messages) + ")\n";
    text += "  --huge N              topics with --huge-messages messages (default " + std::to_string(d.hugeTopics) + ")\n";
    text += "  --huge-messages N     (default " + std::to_string(d.hugeMessages) + ")\n";
    text += "  --deleted PERMILLE    share of deleted messages (default " + std::to_string(d.deletedPermille) + ")\n";
    text += "\n"
            "Accounts:\n"
            "  --account ID:PASSWORD[:NICK,...]  another account (repeatable)\n"
            "  --no-demo-account     leave out the demo account\n";
    text += "  The demo account: id \"" + demo.id + "\", password \"" + demo.password + "\", nicknames " + nicks + ".\n";
    text += "\n"
            "Endpoint hosts (the program's [endpoint] settings and Hakobune.ini must agree):\n";
    text += "  --board-host H        (default " + e.boardHost + ")\n";
    text += "  --post-host H         (default " + e.postHost + ")\n";
    text += "  --login-host H        (default " + e.loginHost + "; login confirmation " + e.verifyUrl() + ")\n";
    text += "  --profile-host H      (default " + e.profileHost + ")\n";
    text += "  --domain D            the cookies' domain (default " + e.domain + ")\n";
    text += "\n"
            "Faults (repeatable): --fault MODE[=ARG][@PATTERN][#COUNT]\n"
            "  delay=MS  silent  cut[=BYTES]  trickle=BYTES/MS  drop=PERCENT  status=CODE\n"
            "  short[=PERCENT] (the head, then that share of the body; default 50)\n"
            "  huge[=BYTES] (default 10 MB)  nul  badeuc\n"
            "  PATTERN is a glob (* and ?) over the absolute URL; COUNT limits the rule to the\n"
            "  first COUNT matching requests. Example: --fault 'status=503@*mid=7*#2'\n"
            "  At run time: GET /_nk/fault?add=RULE, /_nk/fault?clear=1; /_nk/stats counts.\n";
    return text;
}

CommandLine ParseCommandLine(const std::vector<std::string> &args, ProgramOptions &out, std::string *error)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why;
        return CommandLine::Error;
    };
    ProgramOptions o;
    bool demo = true;
    std::vector<Account> extra;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };
        auto number = [&](long long low, long long high, long long &target) -> bool {
            if (!takeValue())
                return false;
            const auto v = ParseDecimal(value);
            if (!v || std::to_string(*v) != value || *v < low || *v > high)
                return false;
            target = *v;
            return true;
        };
        auto intOption = [&](long long low, long long high, int &target) -> bool {
            long long v = 0;
            if (!number(low, high, v))
                return false;
            target = static_cast<int>(v);
            return true;
        };
        auto hostOption = [&](std::string &target) -> bool {
            if (!takeValue() || !ValidHost(value))
                return false;
            target = value;
            return true;
        };
        bool ok = true;
        if (name == "--help" || name == "-h") {
            return CommandLine::Help;
        } else if (name == "--port") {
            ok = intOption(0, 65535, o.server.port);
        } else if (name == "--data") {
            ok = takeValue() && !value.empty();
            o.dataDir = value;
        } else if (name == "--log") {
            o.server.log = true;
        } else if (name == "--max-connections") {
            ok = intOption(1, 100000, o.server.maxConnections);
        } else if (name == "--vary-markup") {
            long long v = 0;
            ok = number(0, (1LL << 62), v);
            o.markupSeed = static_cast<std::uint64_t>(v);
        } else if (name == "--seed") {
            long long v = 0;
            ok = number(0, (1LL << 62), v);
            o.dataset.seed = static_cast<std::uint64_t>(v);
        } else if (name == "--categories") {
            ok = intOption(1, 100, o.dataset.categories);
        } else if (name == "--depth") {
            ok = intOption(1, 8, o.dataset.depth);
        } else if (name == "--subcategories") {
            ok = intOption(0, 100, o.dataset.subcategories);
        } else if (name == "--boards") {
            ok = intOption(0, 140, o.dataset.boards);
        } else if (name == "--topics") {
            ok = intOption(1, 100000, o.dataset.topics);
        } else if (name == "--messages") {
            ok = intOption(1, 1000000, o.dataset.messages);
        } else if (name == "--huge") {
            ok = intOption(0, 100, o.dataset.hugeTopics);
        } else if (name == "--huge-messages") {
            ok = intOption(1, 10000000, o.dataset.hugeMessages);
        } else if (name == "--deleted") {
            ok = intOption(0, 1000, o.dataset.deletedPermille);
        } else if (name == "--account") {
            Account account;
            std::string why;
            if (!takeValue())
                return fail("--account needs ID:PASSWORD[:NICK,...]");
            if (!ParseAccount(value, account, &why))
                return fail(why);
            extra.push_back(std::move(account));
        } else if (name == "--no-demo-account") {
            demo = false;
        } else if (name == "--board-host") {
            ok = hostOption(o.endpoints.boardHost);
        } else if (name == "--post-host") {
            ok = hostOption(o.endpoints.postHost);
        } else if (name == "--login-host") {
            ok = hostOption(o.endpoints.loginHost);
        } else if (name == "--profile-host") {
            ok = hostOption(o.endpoints.profileHost);
        } else if (name == "--domain") {
            ok = hostOption(o.endpoints.domain);
        } else if (name == "--fault") {
            if (!takeValue())
                return fail("--fault needs a rule");
            FaultSet check;
            std::string why;
            if (!check.add(value, &why))
                return fail(why);
            o.faults.push_back(value);
        } else {
            return fail("unknown option " + args[i]);
        }
        if (!ok)
            return fail("bad or missing value for " + name);
    }

    const DatasetOptions &d = o.dataset;
    if (d.subcategories + 1 + d.boards > kMaxLinksPerPage)
        return fail("--subcategories and --boards together put more than " + std::to_string(kMaxLinksPerPage) +
                    " links on a page");
    long long categories = d.categories;
    long long level = d.categories;
    for (int l = 2; l <= d.depth; ++l) {
        level *= d.subcategories;
        categories += level;
        if (categories > kMaxCategories)
            return fail("the directory would have more than " + std::to_string(kMaxCategories) + " categories");
    }
    if ((categories + 1) * d.boards * d.topics > kMaxTopics)
        return fail("the boards would hold more than " + std::to_string(kMaxTopics) + " topics");

    if (demo)
        o.accounts.push_back(DemoAccount());
    for (Account &account : extra) {
        auto same = [&](const Account &a) { return a.id == account.id; };
        if (std::any_of(o.accounts.begin(), o.accounts.end(), same))
            return fail("account " + account.id + " is given twice");
        o.accounts.push_back(std::move(account));
    }
    out = std::move(o);
    return CommandLine::Run;
}

} // namespace boardserver
