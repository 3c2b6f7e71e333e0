// The equivalence groups of result codes: Win32, errno and socket codes that mean the same
// failure. Matching is pairwise within a group, so a code in two groups matches the members of
// both while those do not match each other.
#include "yqbase/errors/ErrorUtil.h"

namespace {

constexpr HRESULT W(DWORD code) { return static_cast<HRESULT>(0x80070000u | code); }
constexpr HRESULT E(DWORD code) { return static_cast<HRESULT>(0xECCC0000u | code); }

// File-system failures.
constexpr HRESULT hr0001[] = {W(1), E(1), 0};
constexpr HRESULT hr0002[] = {W(2), E(2), 0};
constexpr HRESULT hr0003[] = {W(3), E(2), 0};
constexpr HRESULT hr0004[] = {W(111), E(75), 0};
constexpr HRESULT hr0005[] = {W(14), E(12), 0};
constexpr HRESULT hr0006[] = {W(80), E(17), 0};
constexpr HRESULT hr0007[] = {W(109), E(32), 0};
constexpr HRESULT hr0008[] = {W(258), E(110), 0};
constexpr HRESULT hr0009[] = {W(112), E(28), 0};
constexpr HRESULT hr0010[] = {W(5), E(13), 0};

// Socket failures, errno beside its Winsock code. A group holding a single errno value keeps
// that value's slot and matches nothing.
constexpr HRESULT hrsock_0001[] = {E(1), 0};
constexpr HRESULT hrsock_0002[] = {E(2), 0};
constexpr HRESULT hrsock_0003[] = {E(3), 0};
constexpr HRESULT hrsock_0004[] = {E(4), W(10004), 0};
constexpr HRESULT hrsock_0005[] = {E(5), 0};
constexpr HRESULT hrsock_0006[] = {E(6), 0};
constexpr HRESULT hrsock_0007[] = {E(7), 0};
constexpr HRESULT hrsock_0008[] = {E(8), 0};
constexpr HRESULT hrsock_0009[] = {E(9), W(10009), 0};
constexpr HRESULT hrsock_0010[] = {E(10), 0};
constexpr HRESULT hrsock_0011[] = {E(11), 0};
constexpr HRESULT hrsock_0012[] = {E(12), 0};
constexpr HRESULT hrsock_0013[] = {E(13), W(10013), 0};
constexpr HRESULT hrsock_0014[] = {E(14), W(10014), 0};
constexpr HRESULT hrsock_0015[] = {E(15), 0};
constexpr HRESULT hrsock_0016[] = {E(16), 0};
constexpr HRESULT hrsock_0017[] = {E(17), 0};
constexpr HRESULT hrsock_0018[] = {E(18), 0};
constexpr HRESULT hrsock_0019[] = {E(19), 0};
constexpr HRESULT hrsock_0020[] = {E(20), 0};
constexpr HRESULT hrsock_0021[] = {E(21), 0};
constexpr HRESULT hrsock_0022[] = {E(22), W(10022), 0};
constexpr HRESULT hrsock_0023[] = {E(23), 0};
constexpr HRESULT hrsock_0024[] = {E(24), W(10024), 0};
constexpr HRESULT hrsock_0025[] = {E(25), 0};
constexpr HRESULT hrsock_0026[] = {E(26), 0};
constexpr HRESULT hrsock_0027[] = {E(27), 0};
constexpr HRESULT hrsock_0028[] = {E(28), 0};
constexpr HRESULT hrsock_0029[] = {E(29), 0};
constexpr HRESULT hrsock_0030[] = {E(30), 0};
constexpr HRESULT hrsock_0031[] = {E(31), 0};
constexpr HRESULT hrsock_0032[] = {E(32), 0};
constexpr HRESULT hrsock_0033[] = {E(33), 0};
constexpr HRESULT hrsock_0034[] = {E(34), 0};
constexpr HRESULT hrsock_0035[] = {E(35), 0};
constexpr HRESULT hrsock_0036[] = {E(36), 0};
constexpr HRESULT hrsock_0037[] = {E(37), 0};
constexpr HRESULT hrsock_0038[] = {E(38), 0};
constexpr HRESULT hrsock_0039[] = {E(39), 0};
constexpr HRESULT hrsock_0040[] = {E(11), W(10035), 0};
constexpr HRESULT hrsock_0041[] = {E(115), W(10036), 0};
constexpr HRESULT hrsock_0042[] = {E(114), W(10037), 0};
constexpr HRESULT hrsock_0043[] = {E(88), W(10038), 0};
constexpr HRESULT hrsock_0044[] = {E(89), W(10039), 0};
constexpr HRESULT hrsock_0045[] = {E(90), W(10040), 0};
constexpr HRESULT hrsock_0046[] = {E(91), W(10041), 0};
constexpr HRESULT hrsock_0047[] = {E(92), W(10042), 0};
constexpr HRESULT hrsock_0048[] = {E(93), W(10043), 0};
constexpr HRESULT hrsock_0049[] = {E(94), W(10044), 0};
constexpr HRESULT hrsock_0050[] = {E(95), W(10045), 0};
constexpr HRESULT hrsock_0051[] = {E(96), W(10046), 0};
constexpr HRESULT hrsock_0052[] = {E(97), W(10047), 0};
constexpr HRESULT hrsock_0053[] = {E(98), W(10048), 0};
constexpr HRESULT hrsock_0054[] = {E(99), W(10049), 0};
constexpr HRESULT hrsock_0055[] = {E(100), W(10050), 0};
constexpr HRESULT hrsock_0056[] = {E(101), W(10051), 0};
constexpr HRESULT hrsock_0057[] = {E(102), W(10052), 0};
constexpr HRESULT hrsock_0058[] = {E(103), W(10053), 0};
constexpr HRESULT hrsock_0059[] = {E(104), W(10054), 0};
constexpr HRESULT hrsock_0060[] = {E(105), W(10055), 0};
constexpr HRESULT hrsock_0061[] = {E(106), W(10056), 0};
constexpr HRESULT hrsock_0062[] = {E(107), W(10057), 0};
constexpr HRESULT hrsock_0063[] = {E(108), W(10058), 0};
constexpr HRESULT hrsock_0064[] = {E(109), W(10059), 0};
constexpr HRESULT hrsock_0065[] = {E(110), W(10060), 0};
constexpr HRESULT hrsock_0066[] = {E(111), W(10061), 0};
constexpr HRESULT hrsock_0067[] = {E(40), W(10062), 0};
constexpr HRESULT hrsock_0068[] = {E(36), W(10063), 0};
constexpr HRESULT hrsock_0069[] = {E(112), W(10064), 0};
constexpr HRESULT hrsock_0070[] = {E(113), W(10065), 0};
constexpr HRESULT hrsock_0071[] = {E(39), W(10066), 0};
constexpr HRESULT hrsock_0072[] = {W(10067), 0};
constexpr HRESULT hrsock_0073[] = {E(87), W(10068), 0};
constexpr HRESULT hrsock_0074[] = {E(122), W(10069), 0};
constexpr HRESULT hrsock_0075[] = {E(116), W(10070), 0};
constexpr HRESULT hrsock_0076[] = {E(66), W(10071), 0};
constexpr HRESULT hrsock_0077[] = {E(11), W(11002), 0};
constexpr HRESULT hrsock_0078[] = {E(61), W(11004), 0};
constexpr HRESULT hrsock_0079[] = {E(12), W(8), 0};
constexpr HRESULT hrsock_0080[] = {E(22), W(87), 0};
constexpr HRESULT hrsock_0081[] = {W(10091), 0};
constexpr HRESULT hrsock_0082[] = {W(10092), 0};
constexpr HRESULT hrsock_0083[] = {W(10093), 0};
constexpr HRESULT hrsock_0084[] = {W(11001), 0};
constexpr HRESULT hrsock_0085[] = {W(11003), 0};
constexpr HRESULT hrsock_0086[] = {W(10101), 0};
constexpr HRESULT hrsock_0087[] = {W(10107), 0};
constexpr HRESULT hrsock_0088[] = {W(995), 0};
constexpr HRESULT hrsock_0089[] = {W(996), 0};
constexpr HRESULT hrsock_0090[] = {W(997), 0};
constexpr HRESULT hrsock_0091[] = {W(6), 0};

}  // namespace

// Constant-initialised, so that the containers built from it at load never see it empty.
// clang-format off
const HRESULT* const hrMap[] = {
    hr0001, hr0002, hr0003, hr0004, hr0005, hr0006, hr0007, hr0008, hr0009, hr0010, hrsock_0001,
    hrsock_0002, hrsock_0003, hrsock_0004, hrsock_0005, hrsock_0006, hrsock_0007, hrsock_0008,
    hrsock_0009, hrsock_0010, hrsock_0011, hrsock_0012, hrsock_0013, hrsock_0014, hrsock_0015,
    hrsock_0016, hrsock_0017, hrsock_0018, hrsock_0019, hrsock_0020, hrsock_0021, hrsock_0022,
    hrsock_0023, hrsock_0024, hrsock_0025, hrsock_0026, hrsock_0027, hrsock_0028, hrsock_0029,
    hrsock_0030, hrsock_0031, hrsock_0032, hrsock_0033, hrsock_0034, hrsock_0035, hrsock_0036,
    hrsock_0037, hrsock_0038, hrsock_0039, hrsock_0040, hrsock_0041, hrsock_0042, hrsock_0043,
    hrsock_0044, hrsock_0045, hrsock_0046, hrsock_0047, hrsock_0048, hrsock_0049, hrsock_0050,
    hrsock_0051, hrsock_0052, hrsock_0053, hrsock_0054, hrsock_0055, hrsock_0056, hrsock_0057,
    hrsock_0058, hrsock_0059, hrsock_0060, hrsock_0061, hrsock_0062, hrsock_0063, hrsock_0064,
    hrsock_0065, hrsock_0066, hrsock_0067, hrsock_0068, hrsock_0069, hrsock_0070, hrsock_0071,
    hrsock_0072, hrsock_0073, hrsock_0074, hrsock_0075, hrsock_0076, hrsock_0077, hrsock_0078,
    hrsock_0079, hrsock_0080, hrsock_0081, hrsock_0082, hrsock_0083, hrsock_0084, hrsock_0085,
    hrsock_0086, hrsock_0087, hrsock_0088, hrsock_0089, hrsock_0090, hrsock_0091,
};
// clang-format on

const unsigned int hrMapCount = sizeof hrMap / sizeof hrMap[0];
static_assert(sizeof hrMap / sizeof hrMap[0] == 101, "every group is listed once");
