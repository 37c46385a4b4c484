// Skin templates: reading them, and the default skin.
#include "view/skin.h"

#include "base/programdir.h"
#include "base/textfile.h"
#include "settings/settings.h"
#include "view/texttransform.h"

namespace view {

namespace {

constexpr const char *kRequiredFiles[] = {kHeaderFile, kResFile, kNewResFile, kFooterFile};

std::string Join(std::initializer_list<std::string> lines)
{
    return base::JoinLines(base::Lines(lines));
}

// One message block. The "Res" anchor is what the view scrolls to after a load, and the "pop:"
// link of the number opens the message menu; the author links to the profile server.
std::string MessageBlock(bool isNew, bool withReply, std::string_view profileBase)
{
    std::string head = isNew ? "<dt class=\"new\">" : "<dt>";
    head += "<a class=\"num\" name=\"Res<NUMBER/>\" href=\"pop:<NUMBER/>\"><NUMBER/></a> ";
    head += kPosterLabel;
    head += "<a class=\"name\" href=\"";
    head += profileBase;
    head += "<NAME/>\"><NAME/></a> ";
    head += kPostedAtLabel;
    head += "<DATE/></dt>";
    std::string body = "<dd><div class=\"head\">";
    if (withReply)
        body += "<a class=\"reply\" href=\"<RESURL/>\">&gt;&gt;<RESNUMBER/></a> ";
    body += "<span class=\"title\"><TITLE/></span></div><div class=\"text\"><MESSAGE/></div></dd>";
    return Join({head, body});
}

} // namespace

std::string ReadTemplate(const std::string &path)
{
    const std::optional<base::Lines> lines = base::ReadLines(path);
    return lines ? base::JoinLines(*lines) : std::string();
}

Skin ReadSkin(const std::string &dir)
{
    Skin skin;
    skin.header = ReadTemplate(base::JoinPath(dir, kHeaderFile));
    skin.res = ReadTemplate(base::JoinPath(dir, kResFile));
    skin.newRes = ReadTemplate(base::JoinPath(dir, kNewResFile));
    skin.res2 = ReadTemplate(base::JoinPath(dir, kRes2File));
    skin.newRes2 = ReadTemplate(base::JoinPath(dir, kNewRes2File));
    skin.footer = ReadTemplate(base::JoinPath(dir, kFooterFile));
    return skin;
}

std::string ProgramSkinDir(const std::string &programDir)
{
    return base::JoinPath(programDir, "skin");
}

std::vector<std::pair<std::string, std::string>> DefaultSkinFiles(std::string_view profileBase)
{
    const std::string face = settings::kDefaultFontName; // ＭＳ Ｐゴシック
    const std::string header = Join({
        "<html lang=ja><head>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">",
        "<style type=\"text/css\">",
        "body {margin: 0; padding: 4px 18px 28px; background: #fcfbf8; color: #1f2328; font-family: \"" + face +
            "\", sans-serif; font-size: 15px; line-height: 1.7; word-break: break-all;}",
        "dl {margin: 0;}",
        "dt {margin: 18px 0 0; padding: 3px 10px; border-left: 4px solid #9aa7bd; background: #eef1f6; "
        "color: #4b5563; font-size: 13px;}",
        "dt.new {border-left-color: #e07b24; background: #fdf0e3;}",
        "dt a {text-decoration: none; font-weight: bold;}",
        "dt a.num {color: #1d4ed8; margin-right: 6px;}",
        "dt a.name {color: #166534; margin-right: 6px;}",
        "dd {margin: 0; padding: 6px 12px 0;}",
        "dd .head {margin-bottom: 6px;}",
        "dd .title {font-weight: bold;}",
        "dd a.reply {margin-right: 8px; font-size: 13px;}",
        "a {color: #1d4ed8;}",
        "</style>",
        "</head><body>",
        "<dl>",
    });
    const std::string footer = Join({"</dl>", "</body></html>"});
    return {
        {kHeaderFile, header},
        {kResFile, MessageBlock(false, true, profileBase)},
        {kNewResFile, MessageBlock(true, true, profileBase)},
        {kRes2File, MessageBlock(false, false, profileBase)},
        {kNewRes2File, MessageBlock(true, false, profileBase)},
        {kFooterFile, footer},
    };
}

bool WriteDefaultSkin(const std::string &dir, std::string_view profileBase, std::string *error)
{
    if (!base::MakeDirs(dir)) {
        if (error)
            *error = "cannot create " + dir;
        return false;
    }
    for (const auto &[name, content] : DefaultSkinFiles(profileBase)) {
        const std::string path = base::JoinPath(dir, name);
        if (!base::WriteFileAtomic(path, content)) {
            if (error)
                *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

SkinStatus EnsureSkin(const std::string &dir, const std::string &programDir, std::string_view profileBase,
                      std::string *error)
{
    bool complete = !dir.empty();
    for (const char *name : kRequiredFiles)
        complete = complete && base::FileExists(base::JoinPath(dir, name));
    if (complete)
        return SkinStatus::Present;
    return WriteDefaultSkin(ProgramSkinDir(programDir), profileBase, error) ? SkinStatus::DefaultWritten
                                                                            : SkinStatus::WriteFailed;
}

} // namespace view
