// The one record of run state and the operations that act on it.
//
// A run is a single pass: banner, setup dialogue, block loop, summary, key
// wait. Every operation reads and writes the global `job` directly; none
// takes parameters except the row index of read_record. While a block is
// read, a second thread formats and writes its rows; convert.cpp says which
// fields each side may touch and when.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

constexpr int MAX_ROWS = 1000000;  // rows per block; capacity of every row table
constexpr int MAX_CHAN = 20;       // largest number of data channels
constexpr int OUT_BUF = 1 << 18;   // bytes of text buffered per channel file
constexpr int IN_CHUNK = 1 << 20;  // bytes read from the input at a time
constexpr std::size_t MAX_LINE = std::size_t{1} << 28;  // longest input line taken, bytes

struct job_record {
    /* Dialogue answers */
    int ic;                     // data columns + 1: 2..21; channels are 1..ic-1 (setup_channels)
    int izero;                  // time-zero answer: 1 = start at 0, 2 = start at the first stamp (setup_channels)
    std::string prefix;         // output name prefix, any length (open_files)
    std::string fname[MAX_CHAN + 1];  // [0] input file, [k] channel k's file "prefix.k" (open_files)
    std::FILE *fp[MAX_CHAN + 1];      // [0] input stream, [k] channel k's output stream (dialogue)
    double scale[MAX_CHAN + 1];       // [k] channel k's factor, G per volt; [0] unused (setup_channels)

    /* Input reader: one reused buffer, refilled in chunks */
    std::vector<char> inbuf;    // holds a tail of the input; grows only for a line longer than it
    std::size_t inpos;          // start of the next unread line in inbuf
    std::size_t inlen;          // bytes of input held in inbuf
    bool ineof;                 // the input has reported its end (next_line)
    long nline;                 // lines read from the input so far, header lines included (next_line)
    const char *line;           // the line last read, with its line feed if it had one (next_line)
    std::size_t linelen;        // bytes in `line`

    /* Row tables of the current block */
    double tmsec[MAX_ROWS];                // millisecond stamp of each row (read_record)
    double chan[MAX_CHAN + 1][MAX_ROWS];   // chan[k][row]: raw value of column k, volts (read_record)

    /* Block loop */
    int iblock;                 // zero-based number of the block being processed (run)
    int irow;                   // row being filled while a block is read: 0..MAX_ROWS-1 (run)
    int imax;                   // rows read into the current block: 0..MAX_ROWS (run)
    int iflag;                  // 0 until the input is used up, then 1 for good (read_record)

    /* Time column, fixed by the first block */
    double dt;                  // sample interval, seconds (writer, first block)
    double t0;                  // first stamp in seconds, added to every time when izero is 2 (writer, first block)

    /* Lines that did not supply every value */
    long nshort;                // how many (read_record)
    long first_short;           // input line number of the first, header lines counted, 1-based (read_record)

    /* Channel output */
    char outbuf[MAX_CHAN + 1][OUT_BUF];   // pending text of channel k's file (writer thread, then close_channels)
    std::size_t outlen[MAX_CHAN + 1];     // bytes pending in outbuf[k]
};

extern job_record job;

// Driver (tarnvel.cpp)
int run();
void wait_key();
[[noreturn]] void fail(const std::string &what);              // "Error:  what", status 1
[[noreturn]] void fail_sys(const std::string &name, int err); // "Error:  name: reason", status 1

// Setup dialogue (dialogue.cpp)
void open_files();
void setup_channels();

// Block conversion (convert.cpp)
bool next_line();
void read_record(int i);
void write_block();
void close_channels();
void stop_writer();  // safe to call at any time from the reader; fail() does
void hint_huge_pages();
