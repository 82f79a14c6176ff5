// The one record of run state, and the driver's view of the stages.
//
// A run is a single pass: banner, setup dialogue, block loop, summary, key
// wait. The dialogue fills the answers; the conversion reads lines into a
// small ring of row batches (ring.h), which a second thread formats into
// channel text (text.h) and writes to the channel files (channels.h). The
// record below holds what the driver, the dialogue and the reports share;
// each stage keeps its own working state in its module.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

constexpr int MAX_ROWS = 1000000;  // rows per block: a block report every MAX_ROWS lines
constexpr int MAX_CHAN = 20;       // largest number of data channels

struct job_record {
    /* Command line */
    bool no_wait;               // -n, --no-wait: no key wait at the end (run)

    /* Dialogue answers */
    int ic;                     // data columns + 1: 2..21; channels are 1..ic-1 (setup_channels)
    int izero;                  // time-zero answer: 1 = start at 0, 2 = start at the first stamp (setup_channels)
    std::string prefix;         // output name prefix, any length (open_files)
    std::string fname[MAX_CHAN + 1];  // [0] input file, [k] channel k's file "prefix.k" (open_files)
    std::FILE *fp[MAX_CHAN + 1];      // [0] input stream, [k] channel k's output stream (dialogue)
    double scale[MAX_CHAN + 1];       // [k] channel k's factor, G per volt; [0] unused (setup_channels)

    /* Input lines: one reused buffer, refilled in chunks (lines.cpp) */
    std::vector<char> inbuf;    // a tail of the input, then one spare byte; grows only for a long line
    std::size_t inpos;          // start of the next unread line in inbuf
    std::size_t inlen;          // bytes of input held in inbuf
    std::size_t inscan;         // bytes after inpos already searched for a line feed, in vain
    bool ineof;                 // the input has reported its end
    long nline;                 // lines read from the input so far, header lines included: 0..
    const char *line;           // the line last read, with its line feed if it had one
    std::size_t linelen;        // bytes in `line`

    /* Block loop (run) */
    int iblock;                 // zero-based number of the block being processed
    int irow;                   // row being filled while a block is read: 0..MAX_ROWS-1
    int imax;                   // rows read into the current block: 0..MAX_ROWS
    int iflag;                  // 0 until the input is used up, then 1 for good (read_record)

    /* Time column, fixed by the first rows of the run (convert.cpp) */
    bool timed;                 // dt and t0 are known; rows are held back until then
    double dt;                  // sample interval, seconds: dt_ms * 0.001
    double dt_ms;               // the step between the stamps that gave it, milliseconds
    long dt_row;                // they are rows dt_row and dt_row+1 of the run; -1: none, dt is 0
    double t0;                  // first row's stamp in seconds, added to every time when izero is 2
    long line_of_row0;          // input line number of the run's row 0, header lines counted (read_record)

    /* Lines that did not supply every value (read_record) */
    long nshort;                // how many
    long first_short;           // input line number of the first, header lines counted, 1-based
};

extern job_record job;

// The time column: run row n has time n * dt, plus the first stamp when the
// time-zero answer is 2.
struct time_base {
    double dt, t0;
    bool from_stamp;
    double time_of(long n) const {
        const double t = static_cast<double>(n) * dt;
        return from_stamp ? t0 + t : t;
    }
};
inline time_base job_time_base() { return {job.dt, job.t0, job.izero == 2}; }


// Driver (tarnvel.cpp)
int run(int argc, char **argv);

// Setup dialogue (dialogue.cpp)
void open_files();
void setup_channels();

// Conversion (convert.cpp): the driver's two calls per block, and the end.
void read_record(int i);   // reads the next line into row i of the block; iflag = 1 at the end
void write_block();        // rows 0..imax-1 of the block are in the channel files' buffers
void end_conversion();     // all text written and every channel file closed, checked
