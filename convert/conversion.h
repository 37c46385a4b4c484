// The log conversion: a stored topic log turned into numbered stand-alone HTML files built from
// the templates of a skin, limited to a range of message numbers and a number of messages per
// file. Plain C++ shared by the conversion dialog, the command-line tool and the benchmark.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/threadlog.h"

namespace convert {

/// The fields of a conversion as the user gave them. Paths are file-system bytes; the three
/// numbers are the texts typed, blank meaning "not specified".
struct ConversionInput {
    std::string datPath;  ///< the topic log to convert
    std::string htmlPath; ///< the output path pattern: file k is dir + stem + k + extension
    std::string skinDir;  ///< the skin directory
    std::string start;    ///< first message number
    std::string end;      ///< last message number
    std::string perFile;  ///< messages per output file
    bool overwrite = false;
};

/// The outcome of the checks made before anything is read or written, in the order they run.
enum class Validation {
    Ok,
    FieldMissing,  ///< the log, output or skin field is blank
    SourceMissing, ///< the log file or the skin directory does not exist
    BelowOne,      ///< a number given is below 1 (text that is not a number counts as 0)
};

Validation Validate(const ConversionInput &input);

/// The message shown for a failed check (Shift_JIS); empty for Ok.
std::string_view ValidationMessage(Validation validation);

/// The bounds of a run. An end left blank means no upper bound (not the number of lines, which
/// would drop every message numbered above it); a blank per-file count puts every message into
/// one file.
struct Bounds {
    long long start = 1;
    long long end = 0; ///< meaningful only when hasEnd
    bool hasEnd = false;
    std::size_t perFile = 0; ///< 0: no limit
};

/// The bounds of input's three number fields. Call after Validate gave Ok.
Bounds ReadBounds(const ConversionInput &input);

/// The output path split into directory (with its final "/"), stem and extension (with its dot,
/// possibly empty): file k is dir + stem + k + extension.
struct OutputName {
    std::string dir;
    std::string stem;
    std::string extension;

    std::string fileFor(int k) const;
};

OutputName SplitOutputPath(std::string_view path);

/// What the dialog shows of a log before it converts it: the title of its first line (field 5)
/// and its number of lines. A missing or empty file gives an empty title and 0.
struct DatInfo {
    std::string title;
    std::size_t count = 0;
};

DatInfo ReadDatInfo(const std::string &path);

/// The templates the conversion uses, each file's lines joined with CR LF after every line. A
/// "Res2.html" that is missing or has no lines is empty and not used.
struct Templates {
    std::string header;
    std::string res;
    std::string res2;
    std::string footer;
};

Templates ReadTemplates(const std::string &skinDir);

/// The block of one log line: "Res2.html" when that template has lines and the reply number is
/// exactly "0", otherwise "Res.html", with its tags filled in. References link to "#Res" + the
/// number inside the same file; board text keeps only the markup a message may hold, and the
/// other fields are shown as text. msgCount is the log's number of lines.
std::string MakeBlock(const Templates &templates, std::string_view line, std::string_view msgCount);

/// A message template cut at its tags once, so that a block is filled in one pass. The values
/// put in never hold a tag (they are escaped, and the text comes last), so this gives what
/// replacing the tags one after another gives.
class CompiledTemplate {
public:
    explicit CompiledTemplate(std::string_view text);
    bool empty() const { return m_pieces.empty(); }
    /// Appends the block of a log line, split into its fields, to out.
    void fill(const store::LogFields &fields, std::string_view msgCount, std::string &out) const;

private:
    struct Piece {
        std::string literal;
        int tag = -1; ///< index into the tag table, or -1 for literal text
    };
    std::vector<Piece> m_pieces;
};

/// The line "<title>%s</title>" for a log line whose number is "1", with its title as text.
std::string TitleLine(std::string_view title);

/// Field 1 of a log line as a decimal integer; false when it is not one.
bool ParseMessageNumber(std::string_view text, long long &number);

/// Where a run stands.
enum class RunStatus {
    Running,
    Finished,   ///< every line was read; the last file was written
    ReadError,  ///< a line without all its fields or without a message number ended the run
    WriteError, ///< an output file could not be written; failedPath names it
};

/// One conversion run over the lines of a log, advanced a slice at a time so that a window can
/// show its progress and stay responsive; the whole run is one pass, and at most one output file
/// is held in memory. Every file is replaced atomically. Without overwrite a file that exists is
/// never replaced: the next free number is used instead.
class Converter {
public:
    Converter(std::vector<std::string> lines, Templates templates, Bounds bounds, OutputName name, bool overwrite);

    /// Converts up to maxLines more lines (and writes the files they complete).
    RunStatus step(std::size_t maxLines);
    /// step until the run ends.
    RunStatus run();

    RunStatus status() const { return m_status; }
    /// Lines read so far, and the log's number of lines.
    std::size_t position() const { return m_next; }
    std::size_t lineCount() const { return m_lines.size(); }
    /// The files written, in order.
    const std::vector<std::string> &written() const { return m_written; }
    const std::string &failedPath() const { return m_failedPath; }

private:
    bool writePage();

    std::vector<std::string> m_lines;
    Templates m_templates;
    CompiledTemplate m_res;
    CompiledTemplate m_res2;
    Bounds m_bounds;
    OutputName m_name;
    bool m_overwrite;
    std::string m_msgCount;

    std::string m_page;  ///< the file being filled; empty until its first line is read
    std::size_t m_n = 0; ///< messages in m_page
    int m_k = 0;         ///< number of the last file name tried
    std::size_t m_next = 0;
    RunStatus m_status = RunStatus::Running;
    std::vector<std::string> m_written;
    std::string m_failedPath;
};

/// What is needed besides the fields: where the default skin goes when the chosen one lacks a
/// template, and the profile server's base URL that its author links begin with.
struct Environment {
    std::string programDir;
    std::string profileBase;
};

/// Preparing a run: the checks, the skin (the program's default skin when the chosen directory
/// lacks a template) and the reading of the templates and the log.
struct Prepared {
    enum class Failure {
        None,
        Invalid,       ///< validation says why
        SkinUnwritten, ///< the default skin could not be written; error says why
        DatUnreadable, ///< the log exists but cannot be read
    };
    Failure failure = Failure::None;
    Validation validation = Validation::Ok;
    std::string skinDir;         ///< the skin directory used
    bool skinDirChanged = false; ///< the default skin replaced the chosen directory
    std::string error;
    std::vector<std::string> lines;
    Templates templates;
    Bounds bounds;
};

Prepared Prepare(const ConversionInput &input, const Environment &environment);

} // namespace convert
