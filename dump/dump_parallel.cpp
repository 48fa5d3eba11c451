#include "dump/dump_parallel.h"

#include <sched.h>

#include <algorithm>

namespace {

// Does the work of the oldest job no reader has taken. Called with the
// lock held, which it lets go while working.
void DoNextJob(OrderedPool *pool, std::unique_lock<std::mutex> &hold)
{
    size_t slot = pool->taken++ % pool->slots;
    hold.unlock();
    pool->work(pool->context, slot);
    hold.lock();
    pool->workDone[slot] = true;
    pool->changed.notify_all();
}

void ReadSlots(OrderedPool *pool)
{
    std::unique_lock<std::mutex> hold(pool->lock);
    for (;;) {
        pool->changed.wait(hold, [pool] { return pool->closing || pool->taken < pool->submitted; });
        if (pool->taken == pool->submitted)
            return;
        DoNextJob(pool, hold);
    }
}

// Hands back the oldest job; with wait, once its work is done, in the
// meantime doing the work of jobs no reader has taken; otherwise only if
// it is done already. Called with the lock held.
bool FinishOldest(OrderedPool *pool, std::unique_lock<std::mutex> &hold, bool wait)
{
    if (pool->finished == pool->submitted)
        return false;
    size_t slot = pool->finished % pool->slots;
    while (wait && !pool->workDone[slot]) {
        if (pool->taken < pool->submitted)
            DoNextJob(pool, hold);
        else
            pool->changed.wait(hold);
    }
    if (!pool->workDone[slot])
        return false;
    pool->workDone[slot] = false;
    hold.unlock();
    pool->finish(pool->context, slot);
    hold.lock();
    pool->finished++;
    return true;
}

} // namespace

void StartOrderedPool(OrderedPool *pool, void *context, void (*work)(void *context, size_t slot),
                      void (*finish)(void *context, size_t slot), unsigned readers, size_t slots)
{
    pool->context = context;
    pool->work = work;
    pool->finish = finish;
    pool->slots = std::max<size_t>(slots, readers);
    pool->workDone.assign(pool->slots, false);
    for (unsigned i = 0; i < readers; i++)
        pool->readers.emplace_back(ReadSlots, pool);
}

size_t ClaimSlot(OrderedPool *pool)
{
    std::unique_lock<std::mutex> hold(pool->lock);
    while (FinishOldest(pool, hold, pool->submitted - pool->finished == pool->slots)) {
    }
    return pool->submitted % pool->slots;
}

void SubmitSlot(OrderedPool *pool)
{
    std::lock_guard<std::mutex> hold(pool->lock);
    pool->submitted++;
    pool->changed.notify_all();
}

void StopOrderedPool(OrderedPool *pool)
{
    {
        std::unique_lock<std::mutex> hold(pool->lock);
        while (FinishOldest(pool, hold, true)) {
        }
        pool->closing = true;
        pool->changed.notify_all();
    }
    for (std::thread &reader : pool->readers)
        reader.join();
    pool->readers.clear();
}

unsigned AvailableProcessors()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return static_cast<unsigned>(std::max(1, CPU_COUNT(&set)));
}
