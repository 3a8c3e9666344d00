// korvel-sim: the simulated indicator as a program. See --help.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>

#include "sim/CommandLine.h"
#include "sim/Simulator.h"

int main(int argc, char** argv)
{
    using namespace korvel::sim;
    CommandLine cl;
    std::string error;
    if (!CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc), cl, &error)) {
        std::cerr << "korvel-sim: " << error << "\nTry korvel-sim --help.\n";
        return 2;
    }
    if (cl.help) {
        std::cout << CommandLine::helpText();
        return 0;
    }

    // Signals are taken by sigwait below; block them before the simulator's thread exists
    // so it inherits the mask and never runs a handler.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    Simulator sim(cl.options);
    if (!sim.start(&error)) {
        std::cerr << "korvel-sim: " << error << "\n";
        return 1;
    }
    std::cout << sim.slavePath() << std::endl; // first line: the path clients open

    for (;;) {
        int sig = 0;
        if (sigwait(&signals, &sig) != 0)
            continue;
        if (sig == SIGUSR1) {
            SimFaults f = sim.faults();
            f.silent = !f.silent;
            sim.setFaults(f);
            std::cerr << "korvel-sim: " << (f.silent ? "silent" : "answering") << std::endl;
            continue;
        }
        if (sig == SIGUSR2) {
            std::string why;
            if (sim.saveImage(&why))
                std::cerr << "korvel-sim: memory saved to " << cl.options.imagePath << std::endl;
            else
                std::cerr << "korvel-sim: memory not saved: " << why << std::endl;
            continue;
        }
        break;
    }
    sim.stop();
    return 0;
}
