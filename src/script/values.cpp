// Value forms of the update files: comma lists and numbers.
#include "script/values.h"

// Fields are found the way strtok finds them with the delimiter ",", but
// without its hidden state, so a split never disturbs another one in progress.
int SplitCommaFields(char *value, char **fields, int max) {
    int count = 0;
    char *at = value;
    while (count < max) {
        while (*at == ',') {
            at++;
        }
        if (*at == '\0') {
            break;
        }
        fields[count++] = at;
        while (*at != '\0' && *at != ',') {
            at++;
        }
        if (*at == '\0') {
            break;
        }
        *at++ = '\0';
    }
    return count;
}

static int IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The digits are summed in unsigned arithmetic, where overflow is defined, and
// the result is taken modulo 2^32: "4294967297" gives 1, "2147483648" gives
// INT32_MIN. atoi itself leaves overflow undefined.
int32_t ParseInteger(const char *text) {
    const char *at = text;
    while (IsSpace(*at)) {
        at++;
    }
    int negative = *at == '-';
    if (*at == '-' || *at == '+') {
        at++;
    }
    uint32_t result = 0;
    while (*at >= '0' && *at <= '9') {
        result = result * 10u + (uint32_t)(*at - '0');
        at++;
    }
    if (negative) {
        result = 0u - result;
    }
    // Conversion of values above INT32_MAX is implementation-defined before
    // C++20; every compiler used here wraps, as C++20 requires.
    return (int32_t)result;
}
