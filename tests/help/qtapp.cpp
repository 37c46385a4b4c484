// One QApplication for every test of the help library.
#include <QApplication>
#include <gtest/gtest.h>

namespace {

class QtApplication : public ::testing::Environment {
public:
    void SetUp() override { m_app = new QApplication(m_argc, m_argv); }
    void TearDown() override { delete m_app; }

private:
    int m_argc = 1;
    char m_name[10] = "help_test";
    char *m_argv[2] = {m_name, nullptr};
    QApplication *m_app = nullptr;
};

const ::testing::Environment *const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
