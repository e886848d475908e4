// The Rosenbrock error controller of Boost odeint, restartable: a restart gives exactly the
// state of a newly built controller while its work vectors stay allocated, so every
// integration interval starts afresh without allocating.
#pragma once

#include <boost/numeric/odeint/stepper/rosenbrock4.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4_controller.hpp>

class restartable_controller : public boost::numeric::odeint::rosenbrock4_controller<
                                   boost::numeric::odeint::rosenbrock4<double>> {
public:
    typedef boost::numeric::odeint::rosenbrock4<double> stepper_type;

    restartable_controller(double atol, double rtol)
        : boost::numeric::odeint::rosenbrock4_controller<stepper_type>(atol, rtol) {}
    void restart() {
        m_first_step = true;
        m_err_old = 0.0;
        m_dt_old = 0.0;
        m_last_rejected = false;
    }
};
