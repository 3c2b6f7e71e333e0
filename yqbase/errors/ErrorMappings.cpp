// The equivalence groups of result codes: Win32 and errno codes that mean the same failure.
#include "yqbase/errors/ErrorUtil.h"

namespace {

constexpr HRESULT W(DWORD code) { return static_cast<HRESULT>(0x80070000u | code); }
constexpr HRESULT E(DWORD code) { return static_cast<HRESULT>(0xECCC0000u | code); }

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

}  // namespace

const HRESULT* const hrMap[] = {
    hr0001, hr0002, hr0003, hr0004, hr0005, hr0006, hr0007, hr0008, hr0009, hr0010,
};

const unsigned int hrMapCount = sizeof hrMap / sizeof hrMap[0];
