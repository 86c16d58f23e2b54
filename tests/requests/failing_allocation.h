// Makes the next allocation of the test program fail, as memory exhaustion
// would. The program's global operator new is replaced for this.
#pragma once

namespace corvane::test {

void FailNextAllocation(bool fail);

}  // namespace corvane::test
