// The log conversion: checks, bounds, output names, templates, blocks and the run itself.
#include "convert/conversion.h"

#include "base/programdir.h"
#include "base/text.h"
#include "base/textfile.h"
#include "convert/converttexts.h"
#include "store/threadlog.h"
#include "view/render.h"
#include "view/skin.h"
#include "view/texttransform.h"

#include <charconv>
#include <sys/stat.h>

namespace convert {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLinkBase = "#Res";

bool IsDirectory(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool BelowOne(const std::string &field)
{
    return !field.empty() && base::ParseInt(field, 0) < 1;
}

} // namespace

Validation Validate(const ConversionInput &input)
{
    if (input.datPath.empty() || input.htmlPath.empty() || input.skinDir.empty())
        return Validation::FieldMissing;
    if (!base::FileExists(input.datPath) || !IsDirectory(input.skinDir))
        return Validation::SourceMissing;
    if (BelowOne(input.perFile) || BelowOne(input.start) || BelowOne(input.end))
        return Validation::BelowOne;
    return Validation::Ok;
}

std::string_view ValidationMessage(Validation validation)
{
    switch (validation) {
    case Validation::Ok:
        return {};
    case Validation::FieldMissing:
        return kFieldMissingMessage;
    case Validation::SourceMissing:
        return kSourceMissingMessage;
    case Validation::BelowOne:
        return kBelowOneMessage;
    }
    return {};
}

Bounds ReadBounds(const ConversionInput &input)
{
    Bounds bounds;
    if (!input.start.empty())
        bounds.start = base::ParseInt(input.start, 1);
    if (!input.end.empty()) {
        bounds.end = base::ParseInt(input.end, 0);
        bounds.hasEnd = true;
    }
    if (!input.perFile.empty())
        bounds.perFile = static_cast<std::size_t>(std::max(1, base::ParseInt(input.perFile, 1)));
    return bounds;
}

std::string OutputName::fileFor(int k) const
{
    return dir + stem + std::to_string(k) + extension;
}

OutputName SplitOutputPath(std::string_view path)
{
    OutputName name;
    const std::size_t slash = path.rfind('/');
    const std::size_t fileStart = slash == std::string_view::npos ? 0 : slash + 1;
    name.dir = path.substr(0, fileStart);
    const std::string_view file = path.substr(fileStart);
    const std::size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) {
        name.stem = file;
    } else {
        name.stem = file.substr(0, dot);
        name.extension = file.substr(dot);
    }
    return name;
}

DatInfo ReadDatInfo(const std::string &path)
{
    DatInfo info;
    if (!base::FileExists(path))
        return info;
    const std::optional<base::Lines> lines = base::ReadLines(path);
    if (!lines || lines->empty())
        return info;
    info.title = store::SplitLogLine(lines->front()).title;
    info.count = lines->size();
    return info;
}

Templates ReadTemplates(const std::string &skinDir)
{
    Templates t;
    t.header = view::ReadTemplate(base::JoinPath(skinDir, view::kHeaderFile));
    t.res = view::ReadTemplate(base::JoinPath(skinDir, view::kResFile));
    t.res2 = view::ReadTemplate(base::JoinPath(skinDir, view::kRes2File));
    t.footer = view::ReadTemplate(base::JoinPath(skinDir, view::kFooterFile));
    return t;
}

namespace {

// The tags of a message template in the order they are replaced.
enum Tag { kNumber, kResNumber, kMsgCount, kResUrl, kDate, kName, kTitle, kMessage, kTagCount };
constexpr std::string_view kTags[kTagCount] = {"<NUMBER/>", "<RESNUMBER/>", "<MSGCOUNT/>", "<RESURL/>",
                                               "<DATE/>",   "<NAME/>",      "<TITLE/>",    "<MESSAGE/>"};

} // namespace

CompiledTemplate::CompiledTemplate(std::string_view text)
{
    std::string literal;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t lt = text.find('<', i);
        if (lt == std::string_view::npos) {
            literal.append(text.substr(i));
            break;
        }
        literal.append(text.substr(i, lt - i));
        const std::string_view rest = text.substr(lt);
        int tag = -1;
        for (int t = 0; t < kTagCount && tag < 0; ++t)
            if (rest.starts_with(kTags[t]))
                tag = t;
        if (tag < 0) {
            literal.push_back('<');
            i = lt + 1;
            continue;
        }
        if (!literal.empty())
            m_pieces.push_back({std::move(literal), -1});
        literal.clear();
        m_pieces.push_back({{}, tag});
        i = lt + kTags[tag].size();
    }
    if (!literal.empty())
        m_pieces.push_back({std::move(literal), -1});
}

void CompiledTemplate::fill(const store::LogFields &f, std::string_view msgCount, std::string &out) const
{
    std::string values[kTagCount];
    values[kNumber] = view::EscapeFieldText(f.number);
    values[kResNumber] = f.replyTo == "0" ? std::string(kTags[kResNumber]) : view::EscapeFieldText(f.replyTo);
    values[kMsgCount] = msgCount;
    values[kResUrl] = std::string(kLinkBase) + view::EscapeFieldText(f.replyTo);
    values[kDate] = view::EscapeFieldText(f.dateTime);
    values[kName] = view::EscapeFieldText(f.author);
    values[kTitle] = view::EscapeFieldText(f.title);
    values[kMessage] = view::LinkReferences(view::SafeMessageHtml(f.body), kLinkBase);
    for (const Piece &piece : m_pieces)
        out += piece.tag < 0 ? piece.literal : values[piece.tag];
}

std::string MakeBlock(const Templates &templates, std::string_view line, std::string_view msgCount)
{
    const store::LogFields f = store::SplitLogLine(line);
    const std::string &tpl = !templates.res2.empty() && f.replyTo == "0" ? templates.res2 : templates.res;
    std::string block;
    CompiledTemplate(tpl).fill(f, msgCount, block);
    return block;
}

std::string TitleLine(std::string_view title)
{
    return "<title>" + view::EscapeFieldText(title) + "</title>";
}

bool ParseMessageNumber(std::string_view text, long long &number)
{
    if (text.empty())
        return false;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end;
}

Converter::Converter(std::vector<std::string> lines, Templates templates, Bounds bounds, OutputName name,
                     bool overwrite)
    : m_lines(std::move(lines)), m_templates(std::move(templates)), m_res(m_templates.res), m_res2(m_templates.res2),
      m_bounds(bounds), m_name(std::move(name)), m_overwrite(overwrite), m_msgCount(std::to_string(m_lines.size()))
{
    if (m_lines.empty())
        m_status = RunStatus::Finished;
}

RunStatus Converter::step(std::size_t maxLines)
{
    for (std::size_t done = 0; m_status == RunStatus::Running && done < maxLines; ++done) {
        const std::string &line = m_lines[m_next];
        if (m_page.empty())
            m_page = m_templates.header;
        const store::LogFields f = store::SplitLogLine(line);
        long long number = 0;
        if (!f.complete || !ParseMessageNumber(f.number, number)) {
            m_status = RunStatus::ReadError;
            break;
        }
        if (f.number == "1") {
            m_page += TitleLine(f.title);
            m_page += kCrLf;
        }
        const bool last = m_next + 1 == m_lines.size();
        if (m_bounds.start <= number && (!m_bounds.hasEnd || number <= m_bounds.end)) {
            const CompiledTemplate &tpl = !m_res2.empty() && f.replyTo == "0" ? m_res2 : m_res;
            tpl.fill(f, m_msgCount, m_page);
            m_page += kCrLf;
            ++m_n;
            if ((m_bounds.perFile != 0 && m_n == m_bounds.perFile) || last) {
                if (!writePage())
                    break;
            }
        }
        ++m_next;
        if (last) {
            if (m_n > 0 && !writePage())
                break;
            m_status = RunStatus::Finished;
        }
    }
    return m_status;
}

RunStatus Converter::run()
{
    while (m_status == RunStatus::Running)
        step(m_lines.size());
    return m_status;
}

bool Converter::writePage()
{
    m_page += m_templates.footer;
    for (;;) {
        std::string path = m_name.fileFor(++m_k);
        // Without overwrite a name that is taken, even at the moment of writing, is skipped.
        const base::NewFileResult result =
            m_overwrite
                ? (base::WriteFileAtomic(path, m_page) ? base::NewFileResult::Written : base::NewFileResult::Failed)
                : base::WriteNewFileAtomic(path, m_page);
        if (result == base::NewFileResult::Taken)
            continue;
        if (result == base::NewFileResult::Failed) {
            m_failedPath = std::move(path);
            m_status = RunStatus::WriteError;
            return false;
        }
        m_written.push_back(std::move(path));
        break;
    }
    m_page.clear();
    m_n = 0;
    return true;
}

Prepared Prepare(const ConversionInput &input, const Environment &environment)
{
    Prepared out;
    out.validation = Validate(input);
    if (out.validation != Validation::Ok) {
        out.failure = Prepared::Failure::Invalid;
        return out;
    }
    out.skinDir = input.skinDir;
    switch (view::EnsureSkin(input.skinDir, environment.programDir, environment.profileBase, &out.error)) {
    case view::SkinStatus::Present:
        break;
    case view::SkinStatus::DefaultWritten:
        out.skinDir = view::ProgramSkinDir(environment.programDir);
        out.skinDirChanged = true;
        break;
    case view::SkinStatus::WriteFailed:
        out.failure = Prepared::Failure::SkinUnwritten;
        return out;
    }
    out.templates = ReadTemplates(out.skinDir);
    std::optional<base::Lines> lines = base::ReadLines(input.datPath);
    if (!lines) {
        out.failure = Prepared::Failure::DatUnreadable;
        out.error = "cannot read " + input.datPath;
        return out;
    }
    out.lines = std::move(*lines);
    out.bounds = ReadBounds(input);
    return out;
}

} // namespace convert
