#pragma once

#include <string>

// Plain words for the system errors a person can act on, with what to do: a file in use, a
// full disk. `user` names what to close ("Technical Glossary"). Empty for any other error,
// whose system text is then all there is. Never "Success" for a failure whose code was lost:
// error 0 says so. Portable.
std::string errorAdvice(unsigned long error, const std::string& user);
