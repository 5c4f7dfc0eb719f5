// Invariant checks of the collision library. They stay active in every build:
// each is one compare on a pointer, and a broken tree must stop the program
// rather than walk through freed memory.
#ifndef HALVORN_COLDET_COLDET_ASSERT_H
#define HALVORN_COLDET_COLDET_ASSERT_H

namespace coldet {

// Prints "Assertion failed: <expression>, file coldet, line <line>" to stderr and
// aborts. Never returns.
[[noreturn]] void assertionFailed(const char* expression, int line);

}  // namespace coldet

// expression: checked condition; text: the message; line: the fixed line number
// that names this check in the message.
#define COLDET_ASSERT(expression, text, line) \
    ((expression) ? static_cast<void>(0) : ::coldet::assertionFailed(text, line))

#endif
