#pragma once

#include <functional>
#include <thread>

// Starts threads. Classes that start threads take a starter, so that a test can make the start of
// a given thread fail.
class CThreadStarter {
public:
    virtual ~CThreadStarter();

    // Runs fnBody on a new thread and stores it in thread. False, with thread untouched and fnBody
    // not run, when thread still holds a running thread or the system cannot start one.
    virtual bool Start(std::function<void()> fnBody, std::thread& thread);
};
