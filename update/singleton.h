// One process-wide instance of T, created on first use and never destroyed: other
// threads may still read it while the process ends.
#pragma once

template <class T>
class Singleton {
public:
    virtual ~Singleton() {}

    static T* GetInstance() {
        // Built on the main thread before any other thread exists; no lock needed.
        static T* instance = new T();
        return instance;
    }

protected:
    Singleton() {}

private:
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;
};
