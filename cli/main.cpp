// SPDX-License-Identifier: GPL-3.0-or-later
#include "decodecommand.h"
#include "fields/numberformat.h"
#include "stopsignals.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Standard output, handed on in whole lines: what goes to standard error in
// between (a summary, a warning) never lands inside an output line when both
// go to one file or terminal.
class OutputStream : public TextSink {
public:
    void Write(std::string_view text) override
    {
        pending_.append(text);
        if (pending_.size() >= 1 << 16)
            HandOnWholeLines();
    }
    void Flush() override { HandOnWholeLines(); }
    void HandOnWholeLines()
    {
        const std::size_t end = pending_.rfind('\n');
        if (end == std::string::npos)
            return;
        Put(std::string_view(pending_).substr(0, end + 1));
        pending_.erase(0, end + 1);
        if (std::fflush(stdout) != 0)
            Failed();
    }
    // Everything, with a last line that has no line end; false with why
    // when any of it could not be written.
    bool Close(std::string& why)
    {
        Put(pending_);
        pending_.clear();
        if (std::fflush(stdout) != 0)
            Failed();
        why = why_;
        return why_.empty();
    }

private:
    void Put(std::string_view text)
    {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
            Failed();
    }
    void Failed()
    {
        if (why_.empty())
            why_ = std::strerror(errno ? errno : EIO);
    }

    std::string pending_;
    std::string why_;
};

// Standard error, written after the whole lines of standard output.
class ErrorStream : public TextSink {
public:
    explicit ErrorStream(OutputStream& out)
        : out_(out)
    {
    }
    void Write(std::string_view text) override
    {
        out_.HandOnWholeLines();
        std::fwrite(text.data(), 1, text.size(), stderr);
    }

private:
    OutputStream& out_;
};

bool StandardErrorIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    const std::string decimalMark = LocaleDecimalMark();
    std::vector<std::string> args(argv + 1, argv + argc);
    OutputStream out;
    ErrorStream err(out);
    int code = RunDecodeCommand(args, out, err, decimalMark, StandardErrorIsTerminal());
    // A closed pipe ended the run (head): nothing more to say on it.
    if (std::string why; !out.Close(why) && !StopSignals::ReceivedBrokenPipe()) {
        std::fprintf(stderr, "norvane-decode: standard output could not be written: %s\n", why.c_str());
        code = ExitFailure;
    }
    return code;
}
