#pragma once

// The Baud Mode with true polarity and 8 bit no parity, Int(dividend / rate) - 20, worked by hand for every rate and
// each of the three clock dividends. Inverted polarity adds 16384 and 7 bit even parity 8192. Read by the core's tests
// and by the Windows window's end-to-end check.
struct WorkedResult {
    double rate;
    int at1000000, at2500000, at4000000;
};

// clang-format off
inline constexpr WorkedResult kWorkedResults[] = {
    { 300,    3313, 8313, 13313 }, { 600,   1646, 4146, 6646 }, { 1200,  813, 2063, 3313 },
    { 2400,   396,  1021, 1646  }, { 4800,  188,  500,  813  }, { 9600,  84,  240,  396  },
    { 19200,  32,   110,  188   }, { 38400, 6,    45,   84   }, { 56000, -3,  24,   51   },
    { 57600,  -3,   23,   49    }, { 115200, -12, 1,    14   },
};
// clang-format on
