#pragma once
// ScopeNames: the trace scope names ("Class::operation") of a class whose name is data,
// one class serving windows that the log must tell apart (the two address pages, the
// four dial-up pages, the three password dialogs). A TraceScope keeps the pointer it is
// given: the names live as long as this object.
#include <functional>
#include <map>
#include <string>

class ScopeNames {
public:
    explicit ScopeNames(const char* className) : m_className(className) {}

    const char* operator()(const char* operation) {
        auto it = m_names.find(operation);
        if (it == m_names.end())
            it = m_names.emplace(operation, std::string(m_className) + "::" + operation).first;
        return it->second.c_str();
    }
    const char* ClassName() const { return m_className; }
    void Rename(const char* className) {
        m_className = className;
        m_names.clear();
    }

private:
    const char* m_className;
    std::map<std::string, std::string, std::less<>> m_names;
};
