#pragma once
// CoInit: COM for the lifetime of the object, on the thread that made it (apartment
// threaded). A failure is only logged; later COM calls fail where they are made.
class CoInit {
public:
    CoInit();
    virtual ~CoInit();
    CoInit(const CoInit&) = delete;
    CoInit& operator=(const CoInit&) = delete;
};
