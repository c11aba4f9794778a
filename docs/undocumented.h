#pragma once

// A header for the test docs_reject_undocumented: the reference documentation must fail on the
// second declaration, which has no comment.
namespace tav {

// Documented.
void documented();

void undocumented();

}  // namespace tav
