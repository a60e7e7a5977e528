#pragma once

// Stores count calls in the open call log with one statement: a log as large as a test needs, made in well under a
// second. The calls come a minute apart back from 3/21/2024 2:00 PM, from 10,000 numbers, a third of them answered.
void storeManyCalls(int count);
