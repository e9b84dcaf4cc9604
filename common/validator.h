#pragma once

// Character-set validators for input fields: a typed character is accepted only when the
// field's validator allows it.

#include <string>
#include <string_view>

namespace SimpleUtils {

class Validator {
public:
    virtual ~Validator() = default;

    // Digits '0'..'9' on or off; with both flags on, 'A'..'F' and 'a'..'f' as well.
    virtual void setup(bool digits, bool hexadecimal) = 0;
    // True when c was not allowed before and now is.
    virtual bool allow(char c) = 0;
    // True when c was allowed before and now is not.
    virtual bool disallow(char c) = 0;
    // True when every character of text is allowed (a zero-length text included).
    virtual bool isValidText(std::string_view text) const = 0;
    virtual bool isAllowed(char c) const = 0;

protected:
    Validator() = default;
    Validator(const Validator&) = default;
    Validator& operator=(const Validator&) = default;
};

class ValidatorImpl : public Validator {
public:
    ValidatorImpl(bool digits, bool hexadecimal);

    void setup(bool digits, bool hexadecimal) override;
    bool allow(char c) override;
    bool disallow(char c) override;
    bool isValidText(std::string_view text) const override;
    bool isAllowed(char c) const override;

private:
    bool add(char c);
    bool remove(char c);

    std::string m_allowed;  // in the order allowed, each character once
};

class ValidatorInt : public ValidatorImpl {
public:
    explicit ValidatorInt(bool allowBackspace);
};

}  // namespace SimpleUtils
