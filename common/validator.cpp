#include "common/validator.h"

namespace SimpleUtils {

namespace {

constexpr char kBackspace = 8;

}  // namespace

ValidatorImpl::ValidatorImpl(bool digits, bool hexadecimal) {
    // Qualified to make plain that this class's own set-up runs: no override is reachable
    // while the base part is being built.
    ValidatorImpl::setup(digits, hexadecimal);
}

void ValidatorImpl::setup(bool digits, bool hexadecimal) {
    // Works on the set directly rather than through the virtual allow/disallow, since the
    // constructor runs it.
    const auto setRange = [this](char first, char last, bool on) {
        for (char c = first; c <= last; ++c) {
            if (on) {
                add(c);
            } else {
                remove(c);
            }
        }
    };
    setRange('0', '9', digits);
    // Hexadecimal letters only make sense on top of digits.
    setRange('A', 'F', digits && hexadecimal);
    setRange('a', 'f', digits && hexadecimal);
}

bool ValidatorImpl::allow(char c) {
    return add(c);
}

bool ValidatorImpl::disallow(char c) {
    return remove(c);
}

bool ValidatorImpl::isValidText(std::string_view text) const {
    return text.find_first_not_of(m_allowed) == std::string_view::npos;
}

bool ValidatorImpl::isAllowed(char c) const {
    return m_allowed.find(c) != std::string::npos;
}

bool ValidatorImpl::add(char c) {
    if (m_allowed.find(c) != std::string::npos) {
        return false;
    }
    m_allowed.push_back(c);
    return true;
}

bool ValidatorImpl::remove(char c) {
    const std::size_t at = m_allowed.find(c);
    if (at == std::string::npos) {
        return false;
    }
    m_allowed.erase(at, 1);
    return true;
}

ValidatorInt::ValidatorInt(bool allowBackspace) : ValidatorImpl(true, false) {
    if (allowBackspace) {
        allow(kBackspace);
    }
}

}  // namespace SimpleUtils
