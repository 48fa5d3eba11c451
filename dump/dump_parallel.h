// Work done on several processors and handed back in the order it was
// given: the files of a --recursive run, or the batches of records of one
// large file. The main thread fills slots and submits them; reader threads
// do each slot's work, and so does the main thread while it waits; the
// main thread hands each finished slot back, in submission order, before
// it reuses the slot.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

struct OrderedPool {
    void *context = nullptr;
    void (*work)(void *context, size_t slot) = nullptr;   // on a reader thread
    void (*finish)(void *context, size_t slot) = nullptr; // on the main thread, in order
    size_t slots = 0;
    size_t submitted = 0;       // jobs submitted; job n uses slot n % slots
    size_t taken = 0;           // jobs a reader has started
    size_t finished = 0;        // jobs handed back
    std::vector<bool> workDone; // per slot: the work of its job is done
    bool closing = false;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::thread> readers;
};

// Starts `readers` threads (the main thread makes one more) over `slots`
// slots, each job done by work and handed back through finish.
void StartOrderedPool(OrderedPool *pool, void *context, void (*work)(void *context, size_t slot),
                      void (*finish)(void *context, size_t slot), unsigned readers, size_t slots);
// The slot for the next job, once finished work has freed one; the main
// thread fills it and then submits it.
size_t ClaimSlot(OrderedPool *pool);
void SubmitSlot(OrderedPool *pool);
// Hands back every remaining job and ends the reader threads.
void StopOrderedPool(OrderedPool *pool);

// The processors this process may run on, at least 1.
unsigned AvailableProcessors();
