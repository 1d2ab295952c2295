#pragma once

// A service that tests may replace, in the agent and the central server alike. Each service is an abstract
// class with one real implementation (per platform where the platforms differ: the agent's platform/posix
// or platform/win32 defines Seam<Service>::real()); code asks Seam<Service>::get() and never names the
// implementation.
namespace platform {

template <class Service> class Seam {
public:
    static Service& get() { return current ? *current : real(); }
    // The program's own choice for its whole run (the window library's on-screen boxes); tests use
    // ScopedFake instead.
    static void replace(Service* replacement) { current = replacement; }

private:
    template <class> friend class ScopedFake;
    static Service& real();
    inline static Service* current = nullptr;
};

// Puts a fake in place for the life of a test scope and then restores whatever stood there before, so
// fakes nest and a test that fails halfway leaves no fake behind.
template <class Service> class ScopedFake {
public:
    explicit ScopedFake(Service& fake) : previous(Seam<Service>::current) { Seam<Service>::current = &fake; }
    ~ScopedFake() { Seam<Service>::current = previous; }
    ScopedFake(const ScopedFake&) = delete;
    ScopedFake& operator=(const ScopedFake&) = delete;

private:
    Service* previous;
};

} // namespace platform
