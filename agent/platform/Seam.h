#pragma once

// A service of the operating system that tests may replace. Each service is an abstract class with one
// real implementation per platform (platform/posix or platform/win32 defines Seam<Service>::real());
// code asks Seam<Service>::get() and never names the implementation.
namespace platform {

template <class Service> class Seam {
public:
    static Service& get() { return current ? *current : real(); }
    static void replace(Service* fake) { current = fake; }

private:
    static Service& real();
    inline static Service* current = nullptr;
};

// Puts a fake in place for the life of a test scope.
template <class Service> class ScopedFake {
public:
    explicit ScopedFake(Service& fake) { Seam<Service>::replace(&fake); }
    ~ScopedFake() { Seam<Service>::replace(nullptr); }
    ScopedFake(const ScopedFake&) = delete;
    ScopedFake& operator=(const ScopedFake&) = delete;
};

} // namespace platform
