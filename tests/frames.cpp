#include "tests/frames.h"

#include "tests/harness.h"

std::string pairs(std::string_view first, std::string_view zero, std::string_view one, std::string_view bits) {
    std::string text;
    for (char bit : bits) {
        if (bit == ' ') continue;
        text += " " + std::string(first) + " " + std::string(bit == '1' ? one : zero);
    }
    return text;
}

const std::string kKandenRecord =
    "0x2000 0xD00 0x680" + pairs("0x1A0", "0x1A0", "0x4E0", "01000000 00000100") + " 0x1A0 0x8000\n";
const std::string kMitsubishiRecord =
    "0x3000" + pairs("0x100", "0x300", "0x600", "01010010 10000011") + " 0x100 0x2000\n";

namespace {
const std::string kSonyCopy = "0x960" + pairs("0x258", "0x258", "0x4B0", "1010 1001 0000");
}
const std::string kSonyRecord = "0x50 " + kSonyCopy + " 0x20000 " + kSonyCopy + " 0x20000 " + kSonyCopy + "\n";

const char* const kDumpOnly = "0x123 0x456\n";
const std::string kDumpLine = "R : [ 1] : 00000123 00000456 \n";

const std::string kKandenHeader = std::string(62, ' ') + "SPACE1   MARK1    SPACE    ON       OFF     SEPARATE\n";
const std::string kMitsubishiHeader = std::string(39, ' ') + "SPACE    ON       OFF     SEPARATE\n";
const std::string kSonyHeader = std::string(38, ' ') + "SPACE1   MARK     ON       OFF     SEPARATE\n";
