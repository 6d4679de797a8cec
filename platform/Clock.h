// The local wall-clock time, to the millisecond.
#ifndef KW5_PLATFORM_CLOCK_H
#define KW5_PLATFORM_CLOCK_H

namespace kw5platform {

// The fields of GetLocalTime's SYSTEMTIME; month and day count from 1.
struct LocalTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
    int millisecond;
};

LocalTime localTimeNow();

} // namespace kw5platform

#endif
