// gen_log SIZE_BYTES SEED OUT
// gen_log --filters KIND COUNT SEED OUT
//
// The first form writes a synthetic log of exactly SIZE_BYTES bytes. The same size and seed give
// the same bytes on every machine and library version: the only source of randomness is splitmix64
// below, and every choice is integer arithmetic on its output.
//
// Shape of the log:
//   - most lines carry a colour prefix (all seven letters, "N" and "G" most often) and a
//     year/month/day timestamp; the rest have no prefix and a month/day/year one, both
//     with "/" and ":" and CR LF line ends;
//   - timestamps grow over about five years, starting 2001-01-01;
//   - about 1% of lines have a timestamp that cannot be read (impossible fields, other
//     separators, a missing time, garbage), so the exclude preference has work to do;
//   - messages are 20 to 5,000 bytes, mostly short, of words from a fixed vocabulary;
//   - the word "checksum" appears in about 1.5% of lines and nowhere else, so a search
//     for it has a known, small number of hits.
//
// The second form writes a filter file of COUNT records of one KIND, for timing long
// filter lists on such a log:
//   - exclude-strings: "E" records of two or three words of the log's vocabulary and a
//     number, the way noise messages are copied out of a log, which hardly ever occur;
//     one in 200 is just two words, which removes a few lines;
//   - exclude-intervals: "F" records of up to about two hours each, spread over the
//     log's five years, written month/day/year with "/" and ":".

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform enough in [0, n) for n far below 2^32 (multiply-shift, no modulo bias
    // worth caring about in a benchmark, and no division on the hot path).
    std::uint32_t Below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32);
    }
    // [lo, hi] inclusive.
    std::uint32_t Between(std::uint32_t lo, std::uint32_t hi) { return lo + Below(hi - lo + 1); }

private:
    std::uint64_t m_state;
};

// Words of the kind the suite's services write. None contains another's text across a
// blank, none contains "/" (a date separator would make unreadable lines readable), and
// none contains the search word below.
constexpr std::string_view kWords[] = {
    "queue",
    "flush",
    "completed",
    "started",
    "stopped",
    "service",
    "spooler",
    "agent",
    "retry",
    "timeout",
    "connection",
    "refused",
    "accepted",
    "session",
    "user",
    "login",
    "logout",
    "request",
    "response",
    "handler",
    "worker",
    "thread",
    "pool",
    "cache",
    "miss",
    "hit",
    "index",
    "rebuild",
    "scheduled",
    "job",
    "batch",
    "record",
    "records",
    "written",
    "read",
    "bytes",
    "block",
    "sector",
    "volume",
    "mounted",
    "unmounted",
    "disk",
    "full",
    "free",
    "space",
    "low",
    "warning",
    "error",
    "failed",
    "succeeded",
    "backup",
    "restore",
    "archive",
    "rotated",
    "configuration",
    "reloaded",
    "parameter",
    "invalid",
    "value",
    "ignored",
    "default",
    "using",
    "port",
    "listening",
    "on",
    "from",
    "to",
    "for",
    "with",
    "after",
    "before",
    "the",
    "a",
    "of",
    "in",
    "at",
    "by",
    "is",
    "was",
    "not",
    "no",
    "host",
    "node",
    "cluster",
    "replica",
    "primary",
    "secondary",
    "failover",
    "heartbeat",
    "lost",
    "restored",
    "latency",
    "ms",
    "seconds",
    "elapsed",
    "transaction",
    "commit",
    "rollback",
    "lock",
    "acquired",
    "released",
    "deadlock",
    "detected",
    "table",
    "row",
    "rows",
    "updated",
    "inserted",
    "deleted",
    "query",
    "plan",
    "license",
    "expires",
    "module",
    "loaded",
    "unloaded",
    "driver",
    "version",
    "update",
    "available",
    "download",
    "installed",
    "printer",
    "offline",
    "online",
    "paper",
    "jam",
    "tray",
    "empty",
    "scanner",
    "device",
    "attached",
    "detached",
    "memory",
    "allocation",
    "peak",
    "usage",
    "CPU",
    "load",
    "average",
    "threshold",
    "exceeded",
    "alert",
    "raised",
    "cleared",
    "operator",
    "acknowledged",
    "message",
    "mailbox",
    "delivered",
    "bounced",
    "certificate",
    "expired",
    "handshake",
    "TLS",
    "cipher",
    "negotiated",
    "policy",
    "applied",
    "denied",
    "permission",
    "access",
    "audit",
    "event",
    "trace",
    "debug",
    "state",
    "changed",
    "idle",
    "busy",
    "shutdown",
    "startup",
    "initialised",
    "pending",
    "queued",
    "dropped",
    "packet",
    "packets",
    "interface",
    "link",
    "up",
    "down",
    "route",
    "gateway",
    "address",
    "resolved",
    "unreachable",
    "TARNIX",
    "Server",
    "Monitor",
    "Relay",
    "Collector",
    "Scheduler",
    "C:\\TARNIX\\data\\spool.dat",
    "C:\\TARNIX\\log",
    "D:\\Archive",
    "\\\\fs01\\share",
    "ERR_IO",
    "E_ACCESSDENIED",
    "WSAECONNRESET",
    "OK",
    "-",
    "=",
    "(0)",
    "[main]",
};
constexpr std::size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

constexpr std::string_view kSearchWord = "checksum";

// Letters weighted by how often each colour occurs; N and G dominate real logs.
constexpr char kPrefixes[] = {'N', 'N', 'N', 'N', 'N', 'N', 'G', 'G', 'G',
                              'G', 'B', 'B', 'C', 'C', 'Y', 'Y', 'M', 'R'};
constexpr std::uint32_t kPrefixCount = sizeof(kPrefixes);

// The calendar, advanced by small steps; no library time functions, whose results may
// depend on the time zone.
struct Clock {
    int year = 2001, month = 1, day = 1, hour = 0, minute = 0, second = 0;

    static int DaysIn(int y, int m) {
        static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        return m == 2 && leap ? 29 : kDays[m - 1];
    }
    void Advance(std::uint32_t seconds) {
        std::uint32_t s = static_cast<std::uint32_t>(second) + seconds;
        second = static_cast<int>(s % 60);
        std::uint32_t m = static_cast<std::uint32_t>(minute) + s / 60;
        minute = static_cast<int>(m % 60);
        std::uint32_t h = static_cast<std::uint32_t>(hour) + m / 60;
        hour = static_cast<int>(h % 24);
        for (std::uint32_t d = h / 24; d > 0; --d) {
            if (++day > DaysIn(year, month)) {
                day = 1;
                if (++month > 12) {
                    month = 1;
                    ++year;
                }
            }
        }
    }
};

class Writer {
public:
    explicit Writer(int fd) : m_fd(fd) { m_block.resize(kBlock); }
    char* Room(std::size_t n) {
        if (m_used + n > m_block.size()) {
            Flush();
            if (n > m_block.size()) m_block.resize(n);
        }
        return m_block.data() + m_used;
    }
    void Commit(std::size_t n) { m_used += n; }
    void Flush() {
        const char* p = m_block.data();
        std::size_t left = m_used;
        while (left > 0) {
            const ssize_t n = write(m_fd, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                std::perror("gen_log: write");
                std::exit(1);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        m_used = 0;
    }

private:
    static constexpr std::size_t kBlock = std::size_t{8} << 20;
    int m_fd;
    std::vector<char> m_block;
    std::size_t m_used = 0;
};

char* Put2(char* p, int v) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
    return p + 2;
}

char* Put4(char* p, int v) {
    p[0] = static_cast<char>('0' + v / 1000 % 10);
    p[1] = static_cast<char>('0' + v / 100 % 10);
    p[2] = static_cast<char>('0' + v / 10 % 10);
    p[3] = static_cast<char>('0' + v % 10);
    return p + 4;
}

char* PutText(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

// Prefix and timestamp as the product writes them, or one of several ways a timestamp
// comes out unreadable. Returns the end of what was written (at most 40 bytes).
char* WriteHead(char* p, const Clock& c, char prefix, bool unreadable, SplitMix64& rng) {
    if (prefix != 0) {
        *p++ = prefix;
        *p++ = ' ';
    }
    int y = c.year, mo = c.month, d = c.day, h = c.hour, mi = c.minute, s = c.second;
    char dateSep = '/', timeSep = ':';
    if (unreadable) {
        switch (rng.Below(6)) {
            case 0:
                mo = 13;
                break;  // no such month
            case 1:
                d = 32;
                break;  // no such day
            case 2:
                h = 24 + static_cast<int>(rng.Below(76));
                break;  // no such hour
            case 3:
                dateSep = '-';
                break;  // not the system separator
            case 4:
                return PutText(p, "--/--/---- --:--:--");  // a placeholder stamp
            default:
                return PutText(p, "[startup]");  // no timestamp at all
        }
    }
    if (prefix != 0) {
        p = Put4(p, y);
        *p++ = dateSep;
        p = Put2(p, mo);
        *p++ = dateSep;
        p = Put2(p, d);
    } else {
        p = Put2(p, mo);
        *p++ = dateSep;
        p = Put2(p, d);
        *p++ = dateSep;
        p = Put4(p, y);
    }
    *p++ = ' ';
    p = Put2(p, h);
    *p++ = timeSep;
    p = Put2(p, mi);
    *p++ = timeSep;
    return Put2(p, s);
}

// Mostly short messages with a long tail, as real logs have: 90% of 20-160 bytes, 9% of
// 160-1000, 1% of 1000-5000 (mean about 160).
std::uint32_t MessageLength(SplitMix64& rng) {
    const std::uint32_t r = rng.Below(100);
    if (r < 90) return rng.Between(20, 160);
    if (r < 99) return rng.Between(161, 1000);
    return rng.Between(1001, 5000);
}

// Exactly len bytes of words, blanks and numbers; the last word is cut to fit.
void WriteMessage(char* p, std::uint32_t len, bool withSearchWord, SplitMix64& rng) {
    char* const end = p + len;
    // The search word goes near the front so the cut at the end never splits it.
    // Short messages take it first, as the whole of it must fit.
    const std::uint32_t searchAt = !withSearchWord ? UINT32_MAX : len >= 80 ? rng.Below(3) : 0;
    char number[24];
    for (std::uint32_t n = 0; p < end; ++n) {
        if (n > 0) {
            // A message never ends in a blank: the last byte, when only one is left, is a stop.
            const char gap = end - p == 1 ? '.' : ' ';
            *p++ = gap;
            if (p == end) break;
        }
        std::string_view word;
        if (n == searchAt) {
            word = kSearchWord;
        } else {
            const std::uint64_t r = rng.Next();
            if ((r & 7) == 0) {
                // Every eighth token is a number: a count, an id or a hex address.
                const std::uint64_t v = (r >> 8) % ((r & 0x30) != 0 ? 100000 : 4294967296ull);
                char* q = number;
                if ((r & 0x40) != 0) {
                    *q++ = '0';
                    *q++ = 'x';
                    q = std::to_chars(q, number + sizeof number, v, 16).ptr;
                } else {
                    q = std::to_chars(q, number + sizeof number, v).ptr;
                }
                word = std::string_view(number, static_cast<std::size_t>(q - number));
            } else {
                word = kWords[((r >> 8) & 0xFFFFFFFFu) * kWordCount >> 32];
            }
        }
        const std::size_t room = static_cast<std::size_t>(end - p);
        const std::size_t take = word.size() < room ? word.size() : room;
        std::memcpy(p, word.data(), take);
        p += take;
    }
}

// One record of a filter list of the given kind, without its line end.
std::string FilterRecord(bool intervals, SplitMix64& rng) {
    char text[96];
    if (intervals) {
        Clock from;
        from.Advance(rng.Below(5u * 365 * 86400));
        Clock to = from;
        to.Advance(rng.Below(7200));
        const int n = std::snprintf(
            text, sizeof text, "F%02d/%02d/%04d %02d:%02d:%02d to %02d/%02d/%04d %02d:%02d:%02d",
            from.month, from.day, from.year, from.hour, from.minute, from.second, to.month, to.day,
            to.year, to.hour, to.minute, to.second);
        return std::string(text, static_cast<std::size_t>(n));
    }
    std::string record = "E";
    const bool pair = rng.Below(200) == 0;
    const std::uint32_t words = pair ? 2 : rng.Between(2, 3);
    for (std::uint32_t w = 0; w < words; ++w) {
        if (w > 0) record.push_back(' ');
        record.append(kWords[rng.Below(static_cast<std::uint32_t>(kWordCount))]);
    }
    if (!pair) {
        record.push_back(' ');
        record.append(std::to_string(rng.Below(100000)));
    }
    return record;
}

int WriteFilters(std::string_view kind, std::string_view countArg, std::string_view seedArg,
                 const char* path) {
    std::uint64_t count = 0, seed = 0;
    if ((kind != "exclude-strings" && kind != "exclude-intervals") ||
        std::from_chars(countArg.data(), countArg.data() + countArg.size(), count).ec !=
            std::errc() ||
        std::from_chars(seedArg.data(), seedArg.data() + seedArg.size(), seed).ec != std::errc()) {
        std::fprintf(
            stderr,
            "gen_log: KIND is exclude-strings or exclude-intervals; COUNT and SEED are integers\n");
        return 2;
    }
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path);
        return 1;
    }
    SplitMix64 rng(seed);
    Writer out(fd);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::string record = FilterRecord(kind == "exclude-intervals", rng) + "\n";
        std::memcpy(out.Room(record.size()), record.data(), record.size());
        out.Commit(record.size());
    }
    out.Flush();
    if (close(fd) != 0) {
        std::perror("gen_log: close");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string_view(argv[1]) == "--filters")
        return WriteFilters(argv[2], argv[3], argv[4], argv[5]);
    if (argc != 4) {
        std::fprintf(
            stderr,
            "usage: gen_log SIZE_BYTES SEED OUT\n       gen_log --filters KIND COUNT SEED OUT\n");
        return 2;
    }
    std::uint64_t size = 0, seed = 0;
    const std::string_view sizeArg(argv[1]), seedArg(argv[2]);
    if (std::from_chars(sizeArg.data(), sizeArg.data() + sizeArg.size(), size).ec != std::errc() ||
        std::from_chars(seedArg.data(), seedArg.data() + seedArg.size(), seed).ec != std::errc()) {
        std::fprintf(stderr, "gen_log: SIZE_BYTES and SEED must be non-negative integers\n");
        return 2;
    }
    const int fd = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(argv[3]);
        return 1;
    }

    SplitMix64 rng(seed);
    Clock clock;
    // Spread about five years over the expected number of lines (mean line ~190 bytes),
    // so that any size covers the same span and a one-year interval selects about a fifth.
    constexpr std::uint64_t kSpanSeconds = 5ull * 365 * 86400;
    const std::uint64_t expectedLines = size / 190 + 1;
    const std::uint64_t meanStep = kSpanSeconds / expectedLines;
    const std::uint32_t maxStep =
        static_cast<std::uint32_t>(meanStep > 40000 ? 80000 : 2 * meanStep);

    // Each line ends with at least this much left, or absorbs the rest in its message,
    // so the file is exactly SIZE_BYTES long and ends in CR LF.
    constexpr std::uint64_t kMinTail = 64;
    Writer out(fd);
    std::uint64_t written = 0;
    while (written < size) {
        const std::uint64_t left = size - written;
        const std::uint32_t kind = rng.Below(1000);
        const char prefix = kind < 850 ? kPrefixes[rng.Below(kPrefixCount)] : '\0';
        const bool unreadable = rng.Below(100) == 0;
        const bool withSearchWord = rng.Below(1000) < 15;
        std::uint32_t len = MessageLength(rng);

        char head[64];
        char* h = WriteHead(head, clock, prefix, unreadable, rng);
        h = PutText(h, " - ");
        const auto headLen = static_cast<std::uint64_t>(h - head);
        if (left < headLen + 2 + 1) {
            // Only possible for a tiny SIZE_BYTES: fill with blanks and a line end.
            char* p = out.Room(left);
            std::memset(p, ' ', left);
            if (left >= 2) std::memcpy(p + left - 2, "\r\n", 2);
            out.Commit(left);
            break;
        }
        if (left < headLen + len + 2 + kMinTail)
            len = static_cast<std::uint32_t>(left - headLen - 2);

        const std::size_t lineLen = headLen + len + 2;
        char* p = out.Room(lineLen);
        std::memcpy(p, head, headLen);
        WriteMessage(p + headLen, len, withSearchWord, rng);
        std::memcpy(p + headLen + len, "\r\n", 2);
        out.Commit(lineLen);
        written += lineLen;
        clock.Advance(rng.Below(maxStep + 1));
    }
    out.Flush();
    if (close(fd) != 0) {
        std::perror("gen_log: close");
        return 1;
    }
    return 0;
}
