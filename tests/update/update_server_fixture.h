#pragma once
// Tests that talk to the local update server: one scriptable server for the
// whole suite, and the proxy variables pointed at it before every test, so
// the product's requests for the update host arrive there.

#include "tests/support/http_test_server.h"

#include <gtest/gtest.h>

#include <memory>

namespace updatetest {

class UpdateServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<testsupport::HttpTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server_->isListening()) << "the local test server cannot listen";
        server_->clearScripts();
        testsupport::setHttpProxy(server_->proxyUrl());
    }

    static testsupport::HttpTestServer& server() { return *server_; }

    // Requests now go to a port on which nothing listens.
    static void proxyToNowhere() {
        testsupport::setHttpProxy("http://127.0.0.1:" + std::to_string(testsupport::refusingPort()));
    }

private:
    static inline std::unique_ptr<testsupport::HttpTestServer> server_;
};

}  // namespace updatetest
