// Reading a timestamp out of arbitrary text under arbitrary locale values.
#include "FuzzInput.h"
#include "LogLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const LocaleValues user = in.Locale();
    const LocaleValues system = in.Locale();
    const bool sameOrder = in.Bool();
    const LocaleFormats formats = MakeLocaleFormats(user, system);
    const std::string_view text = in.Rest();

    for (const bool useSystemOrder : {true, false}) {
        const LogTime untouched{11, 22, 33, 44, 55, 66};
        LogTime t = untouched;
        const bool read = ParseTimestamp(text, useSystemOrder, &t, formats);
        FUZZ_CHECK(read == ParseTimestamp(text, useSystemOrder, nullptr, formats));
        if (read) {
            FUZZ_CHECK(t.IsValid());
            FUZZ_CHECK(text.size() >= 17);
        } else {
            FUZZ_CHECK(t == untouched);
        }
    }

    // With the user's order equal to the system's, typed text reads like a log line.
    if (sameOrder) {
        LocaleValues sameUser = user;
        sameUser.order = system.order;
        const LocaleFormats same = MakeLocaleFormats(sameUser, system);
        LogTime a, b;
        const bool readA = ParseTimestamp(text, true, &a, same);
        FUZZ_CHECK(readA == ParseTimestamp(text, false, &b, same));
        FUZZ_CHECK(!readA || a == b);
    }
    return 0;
}
