#include "decodecommand.h"
#include "ui/numberformat.h"

#include <clocale>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

class StreamSink : public TextSink {
public:
    explicit StreamSink(std::FILE* stream)
        : stream_(stream)
    {
    }
    void Write(std::string_view text) override
    {
        if (std::fwrite(text.data(), 1, text.size(), stream_) != text.size())
            failed_ = true;
    }
    void Flush() override { std::fflush(stream_); }
    bool Close() { return std::fflush(stream_) == 0 && !failed_; }

private:
    std::FILE* stream_;
    bool failed_ = false;
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
    StreamSink out(stdout);
    StreamSink err(stderr);
    int code = RunDecodeCommand(args, out, err, decimalMark, StandardErrorIsTerminal());
    if (!out.Close()) {
        std::fputs("norvane-decode: standard output could not be written\n", stderr);
        code = ExitFailure;
    }
    return code;
}
