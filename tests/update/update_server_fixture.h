#pragma once
// Tests that talk to the local update server: one scriptable server for the
// whole test program, and the proxy variables pointed at it before the first
// request, so the product's requests for the update host arrive there. The
// server and the proxy setting never change within the process, since the
// Windows client may keep the first proxy it has seen.

#include "tests/support/http_test_server.h"

#include <gtest/gtest.h>


namespace updatetest {

class UpdateServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server().isListening()) << "the local test server cannot listen";
        server().refuseConnections(false);
        server().clearScripts();
    }

    void TearDown() override { server().refuseConnections(false); }

    static testsupport::HttpTestServer& server() {
        static testsupport::HttpTestServer* const instance = [] {
            auto* s = new testsupport::HttpTestServer;  // lives until the process ends
            testsupport::setHttpProxy(s->proxyUrl());
            return s;
        }();
        return *instance;
    }

    // Requests are refused until the test ends.
    static void refuseConnections() { server().refuseConnections(true); }
};

}  // namespace updatetest
