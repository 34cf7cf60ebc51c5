#pragma once
// What the test program runs on, for the few cases where Wine's copy of a
// system library is known to behave differently from Windows.

namespace testsupport {

// True when the Windows test program runs under Wine; false natively.
bool runningUnderWine();

}  // namespace testsupport
